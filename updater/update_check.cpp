#include "updater/update_check.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

#include "app/storage_locations.h"
#include "platform/text.h"
#include "updater/update_archive.h"
#include "updater/update_servers.h"

namespace updater {

std::string ProxyServer;
int ProxyPort = 0;
bool ProxyEnabled = false;

const std::array<std::string, 2>& UpdateServers() {
  static const std::array<std::string, 2> servers = {update_servers::kPrimary, update_servers::kMirror};
  return servers;
}

std::string UpdateFileStem() { return app::kAppTitle; }

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::vector<std::string> VersionFields(const std::string& v) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t dot = v.find('.', start);
    std::string_view piece = std::string_view(v).substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    piece = text::TrimBlanks(piece);
    // Inside a piece, blanks end one field and start the next.
    size_t i = 0;
    do {
      size_t j = i;
      while (j < piece.size() && !IsBlank(piece[j])) ++j;
      fields.emplace_back(piece.substr(i, j - i));
      i = j;
      while (i < piece.size() && IsBlank(piece[i])) ++i;
    } while (i < piece.size());
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (fields.size() == 1 && fields[0].empty()) fields.clear();
  return fields;
}

std::int64_t FieldValue(const std::vector<std::string>& fields, size_t i) {
  if (i >= fields.size()) return 0;
  const std::string& f = fields[i];
  const char* first = f.data();
  if (!f.empty() && f[0] == '+') ++first;
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(first, f.data() + f.size(), value);
  if (ec != std::errc() || end != f.data() + f.size() || first == f.data() + f.size()) return 0;
  return value;
}

}  // namespace

int CompareVersions(const std::string& a, const std::string& b) {
  std::vector<std::string> fa = VersionFields(a), fb = VersionFields(b);
  size_t n = std::max(fa.size(), fb.size());
  for (size_t i = 0; i < n; ++i) {
    std::int64_t x = FieldValue(fa, i), y = FieldValue(fb, i);
    if (x > y) return 1;
    if (x < y) return -1;
  }
  return 0;
}

bool GetSystemProxy(std::string& proxyServer, int& proxyPort, bool& enabled) {
  proxyServer.clear();
  proxyPort = 0;
  enabled = false;
  platform::Registry* registry = platform::Current().registry;
  if (!registry) return false;
  auto key = registry->Open(platform::RegRoot::CurrentUser,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", false);
  if (!key) return false;
  // A missing or mistyped ProxyEnable means no proxy: otherwise a damaged value would stop
  // every check and download before any server is asked.
  std::optional<std::int32_t> on;
  try {
    on = key->ReadInteger("ProxyEnable");
  } catch (const std::exception&) {
    return false;
  }
  enabled = on && *on == 1;
  if (!enabled) return false;
  std::optional<std::string> server;
  try {
    server = key->ReadString("ProxyServer");
  } catch (const std::exception&) {
    return false;
  }
  if (!server || server->empty()) return false;
  size_t colon = server->find(':');
  if (colon == std::string::npos) return false;
  proxyServer = server->substr(0, colon);
  // "http=host:80;https=host:443" is not parsed further: the remainder is no number, so 8080.
  const std::string rest = server->substr(colon + 1);
  int port = 0;
  auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), port);
  // A number outside 1 to 65535 is no port either: WinHTTP could not use it.
  const bool isPort = ec == std::errc() && end == rest.data() + rest.size() && !rest.empty() && port >= 1 && port <= 65535;
  proxyPort = isPort ? port : 8080;
  return true;
}

platform::HttpSettings BaseClientSettings() {
  platform::HttpSettings s;
  s.userAgent = kUserAgent;
  s.accept = kAccept;
  s.basicAuthentication = true;
  s.followRedirects = true;
  s.tls12Only = true;
  std::string host;
  int port = 0;
  bool enabled = false;
  if (GetSystemProxy(host, port, enabled) && enabled) {
    s.proxyHost = host;
    s.proxyPort = port;
  }
  return s;
}

platform::HttpSettings CheckClientSettings() {
  platform::HttpSettings s = BaseClientSettings();
  s.connectTimeoutMs = 3000;
  s.readTimeoutMs = 5000;
  // A server that trickles a byte just inside each read time-out still ends here.
  s.deadlineMs = 15000;
  s.maxBytes = kMaxVersionFileBytes;
  return s;
}

platform::HttpSettings DownloadClientSettings(std::uint64_t signedSize) {
  platform::HttpSettings s = BaseClientSettings();
  s.connectTimeoutMs = 3000;
  s.readTimeoutMs = 30000;
  s.maxBytes = signedSize ? signedSize : 1;
  return s;
}

bool FetchServerVersion(std::string& version, std::string& downloadUrl) {
  platform::Http* http = platform::Current().http;
  if (!http) return false;
  for (const std::string& base : UpdateServers()) {
    const std::string folder = base + UpdateFileStem() + "/";
    const platform::HttpSettings settings = CheckClientSettings();
    try {
      auto client = http->NewClient(settings);
      platform::HttpResponse r = client->GetText(folder + "version.txt");
      std::string_view v = text::TrimBlanks(r.body);
      if (r.status == 200 && !v.empty()) {
        version = std::string(v);
        downloadUrl = folder + (app::IsPortable() ? ZipFileName : SetupFileName);
        return true;
      }
    } catch (const std::exception&) {
      // Passed over: the next server is asked.
    }
  }
  return false;
}

std::string FileNameFromUrl(const std::string& url) {
  size_t slash = url.rfind('/');
  if (slash == std::string::npos || slash + 1 == url.size()) return url;
  return url.substr(slash + 1);
}

std::string GetTempFolder() {
  std::string t = platform::Current().system->TempFolder();
  if (t.empty() || t.back() != '\\') t += '\\';
  return t;
}

std::string InstallerSwitches(const std::string& language) {
  return "/SILENT /CLOSEAPPLICATIONS /SUPPRESSMSGBOXES /LANG=" + language + " /MERGETASKS=\"runcmd1\"";
}

std::int64_t RoundedQuotient(std::int64_t value, std::int64_t divisor) {
  std::int64_t q = value / divisor, r = value % divisor;
  // Halves go to the even neighbour.
  if (2 * r > divisor || (2 * r == divisor && (q % 2) != 0)) ++q;
  return q;
}

std::int64_t ProgressStepFor(std::int64_t total) { return total <= 0 ? 0 : RoundedQuotient(total, 100); }

std::string EncodeUrlPath(const std::string& url) {
  // The path starts after "scheme://host".
  size_t start = 0;
  size_t scheme = url.find("://");
  if (scheme != std::string::npos) {
    start = url.find('/', scheme + 3);
    if (start == std::string::npos) return url;
  }
  static const char* kHex = "0123456789ABCDEF";
  auto isHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); };
  std::string out = url.substr(0, start);
  bool inQuery = false;
  for (size_t i = start; i < url.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(url[i]);
    if (c == '?') inQuery = true;
    bool keep;
    if (c == '%') {
      keep = i + 2 < url.size() && isHex(url[i + 1]) && isHex(url[i + 2]);
    } else if (c <= 0x20 || c >= 0x7F) {
      keep = false;
    } else if (inQuery) {
      keep = true;
    } else {
      keep = std::string_view("\"<>\\^`{|}#").find(static_cast<char>(c)) == std::string_view::npos;
    }
    if (keep) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string UpdateScriptName(const platform::LocalTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "update_%02d%02d%02d.bat", t.hour, t.minute, t.second);
  return buf;
}

std::string ScriptExeName(const std::string& exeName) {
  // Only names that no command line can misread go into the script; the archive's own
  // program name otherwise.
  const bool plain = exeName.size() > 4 && exeName.size() < 100 &&
                     text::SameTextAscii(exeName.substr(exeName.size() - 4), ".exe") &&
                     std::all_of(exeName.begin(), exeName.end(), [](char c) {
                       return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                              std::string_view(" ._-()").find(c) != std::string_view::npos;
                     });
  return plain ? exeName : std::string(UpdateFileStem()) + ".exe";
}

std::string UpdateScriptText(const std::string& exeName) {
  // The script is started in the program folder and never names it: any folder Windows
  // allows works, in any code page, and nothing of its name can reach a command line. It
  // acts only where the staged update lies, and calls system tools by their full path.
  const std::string staging = kStagingFolderName;
  const std::string lines[] = {
      "@echo off",
      "if not exist \"" + staging + "\\\" exit /b 1",
      "",
      "echo Waiting for the app to end...",
      "\"%SystemRoot%\\System32\\timeout.exe\" /t 2 >nul",
      "",
      "echo Extracting...",
      "set /a tries=0",
      ":move",
      "\"%SystemRoot%\\System32\\xcopy.exe\" \"" + staging + "\\*\" \".\\\" /E /Y /Q /R /H >nul && goto moved",
      "set /a tries+=1",
      "if %tries% geq 10 goto moved",
      "\"%SystemRoot%\\System32\\timeout.exe\" /t 1 >nul",
      "goto move",
      ":moved",
      "rd /s /q \"" + staging + "\"",
      "",
      "echo Starting app...",
      "start \"\" \"" + ScriptExeName(exeName) + "\"",
      "",
      "echo Done",
      "\"%SystemRoot%\\System32\\timeout.exe\" /t 2 >nul",
      "del \"%~f0\"",
  };
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

}  // namespace updater
