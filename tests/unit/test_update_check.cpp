// The update check's plain operations on the in-memory platform: version comparison,
// proxy lookup, the fetch from primary and mirror, and the texts the install composes.
#include <gtest/gtest.h>

#include "app/storage_locations.h"
#include "platform/headless/headless.h"
#include "updater/update_check.h"

namespace {

using updater::CompareVersions;

TEST(CompareVersions, FollowsTheFieldRules) {
  struct Case {
    const char* a;
    const char* b;
    int result;
  } cases[] = {
      {"1.2", "1.2.0.0", 0},   {"1.10", "1.9", 1},  {"2.0", "10", -1},    {"1.2.x", "1.2.0", 0},
      {"1.2 3", "1.2.3", 0},   {"", "", 0},         {"1.0.0.1", "", 1},   {"1. 2", "1.2", 0},
      {"1..2", "1.0.2", 0},    {"\xEF\xBB\xBF" "3.0", "0.1", -1},        {"abc", "0", 0},
      {"2.0.26.307\r\n", "2.0.26.306", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareVersions(c.a, c.b), c.result) << '"' << c.a << "\" vs \"" << c.b << '"';
    EXPECT_EQ(CompareVersions(c.b, c.a), -c.result) << '"' << c.b << "\" vs \"" << c.a << '"';
  }
}

constexpr const char* kInternet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

TEST(GetSystemProxy, ReadsHostAndPortOnlyWhenEnabled) {
  struct Case {
    std::optional<int> enable;
    std::optional<std::string> server;
    bool result;
    std::string host;
    int port;
    bool enabled;
  } cases[] = {
      {1, "proxy.lan:3128", true, "proxy.lan", 3128, true},
      {1, "proxy.lan", false, "", 0, true},
      {1, "proxy.lan:abc", true, "proxy.lan", 8080, true},
      {1, "http=p1:80;https=p2:443", true, "http=p1", 8080, true},
      // A number that is no port falls back as text that is no number does.
      {1, "proxy.lan:99999", true, "proxy.lan", 8080, true},
      {1, "proxy.lan:0", true, "proxy.lan", 8080, true},
      {1, "proxy.lan:-1", true, "proxy.lan", 8080, true},
      {1, "proxy.lan:65535", true, "proxy.lan", 65535, true},
      {0, "proxy.lan:3128", false, "", 0, false},
      {1, "", false, "", 0, true},
      {1, std::nullopt, false, "", 0, true},
      // A missing ProxyEnable means no proxy, not a failed check.
      {std::nullopt, "proxy.lan:3128", false, "", 0, false},
  };
  for (const Case& c : cases) {
    headless::Platform sys;
    auto& key = sys.registry.KeyAt(platform::RegRoot::CurrentUser, kInternet);
    (void)key;
    if (c.enable) sys.registry.SetInteger(platform::RegRoot::CurrentUser, kInternet, "ProxyEnable", *c.enable);
    if (c.server) sys.registry.SetString(platform::RegRoot::CurrentUser, kInternet, "ProxyServer", *c.server);
    std::string host = "x";
    int port = -1;
    bool enabled = true;
    EXPECT_EQ(updater::GetSystemProxy(host, port, enabled), c.result) << c.server.value_or("<none>");
    EXPECT_EQ(host, c.host);
    EXPECT_EQ(port, c.port);
    EXPECT_EQ(enabled, c.enabled);
  }
  headless::Platform sys;  // no key at all
  std::string host;
  int port = 1;
  bool enabled = true;
  EXPECT_FALSE(updater::GetSystemProxy(host, port, enabled));
  EXPECT_FALSE(enabled);
  // A ProxyEnable of the wrong type is no proxy either.
  sys.registry.SetString(platform::RegRoot::CurrentUser, kInternet, "ProxyEnable", "1");
  sys.registry.SetString(platform::RegRoot::CurrentUser, kInternet, "ProxyServer", "p:1");
  EXPECT_FALSE(updater::GetSystemProxy(host, port, enabled));
}

class FetchTest : public ::testing::Test {
 protected:
  std::string Folder(int server) { return updater::UpdateServers()[server] + "Cifrona/"; }
  void Serve(int server, int status, const std::string& body) { sys.http.replies[Folder(server) + "version.txt"] = {status, body}; }
  headless::Platform sys;
};

TEST_F(FetchTest, PrimaryAnswersFirstWithTheSettingsOfTheCheck) {
  Serve(0, 200, "2.1.0.5\r\n  ");
  Serve(1, 200, "9.9");
  std::string v, url;
  ASSERT_TRUE(updater::FetchServerVersion(v, url));
  EXPECT_EQ(v, "2.1.0.5");
  EXPECT_EQ(url, Folder(0) + "Cifrona-setup.exe");
  ASSERT_EQ(sys.http.requests.size(), 1u);
  const platform::HttpSettings& s = sys.http.requests[0].settings;
  EXPECT_EQ(s.userAgent, "Mozilla/5.0 (Windows NT 6.1; WOW64;rv:12.0) Gecko/20100101 Firefox/12.0");
  EXPECT_EQ(s.accept, "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
  EXPECT_TRUE(s.basicAuthentication);
  EXPECT_TRUE(s.followRedirects);
  EXPECT_TRUE(s.tls12Only);
  EXPECT_EQ(s.connectTimeoutMs, 3000);
  EXPECT_EQ(s.readTimeoutMs, 5000);
  EXPECT_EQ(s.proxyHost, "");
}

TEST_F(FetchTest, PassesOverServersThatFailAndTakesTheMirror) {
  std::vector<std::pair<const char*, headless::Http::Reply>> primaries = {
      {"refused", {.refused = true}},  {"time-out", {.timesOut = true}},
      {"404", {.status = 404, .body = "1.0"}}, {"empty", {.status = 200, .body = ""}},
      {"blank", {.status = 200, .body = " \r\n\t "}}, {"204", {.status = 204, .body = "3.0"}},
  };
  for (auto& [what, reply] : primaries) {
    sys.http.requests.clear();
    sys.http.replies[Folder(0) + "version.txt"] = reply;
    Serve(1, 200, "3.0");
    std::string v, url;
    ASSERT_TRUE(updater::FetchServerVersion(v, url)) << what;
    EXPECT_EQ(v, "3.0") << what;
    EXPECT_EQ(url, Folder(1) + "Cifrona-setup.exe") << what;
    EXPECT_EQ(sys.http.requests.size(), 2u) << what;
  }
  sys.http.replies.clear();
  std::string v = "kept", url = "kept";
  EXPECT_FALSE(updater::FetchServerVersion(v, url));
  EXPECT_EQ(v, "kept");
  EXPECT_EQ(url, "kept");
}

TEST_F(FetchTest, PortableCopyGetsTheArchiveAndTheProxyIsUsed) {
  sys.files.AddFile("C:\\Program Files\\Cifrona\\portable.ini", "");
  app::DecidePortableMode();
  sys.registry.SetInteger(platform::RegRoot::CurrentUser, kInternet, "ProxyEnable", 1);
  sys.registry.SetString(platform::RegRoot::CurrentUser, kInternet, "ProxyServer", "10.0.0.1:3128");
  Serve(0, 200, "3.0");
  std::string v, url;
  ASSERT_TRUE(updater::FetchServerVersion(v, url));
  EXPECT_EQ(url, Folder(0) + "Cifrona.zip");
  EXPECT_EQ(sys.http.requests[0].settings.proxyHost, "10.0.0.1");
  EXPECT_EQ(sys.http.requests[0].settings.proxyPort, 3128);
  sys.files.Remove("C:\\Program Files\\Cifrona\\portable.ini");
  app::DecidePortableMode();
}

TEST(UpdateTexts, FileNamesSwitchesAndRounding) {
  EXPECT_EQ(updater::FileNameFromUrl("http://updates.invalid/download/Cifrona/Cifrona.zip"), "Cifrona.zip");
  EXPECT_EQ(updater::FileNameFromUrl("Cifrona.zip"), "Cifrona.zip");
  EXPECT_EQ(updater::FileNameFromUrl("http://updates.invalid/download/"), "http://updates.invalid/download/");
  EXPECT_EQ(updater::InstallerSwitches(""), "/SILENT /CLOSEAPPLICATIONS /SUPPRESSMSGBOXES /LANG= /MERGETASKS=\"runcmd1\"");
  EXPECT_EQ(updater::InstallerSwitches("English"),
            "/SILENT /CLOSEAPPLICATIONS /SUPPRESSMSGBOXES /LANG=English /MERGETASKS=\"runcmd1\"");
  struct Step {
    std::int64_t total, step;
  } steps[] = {{0, 0}, {50, 0}, {51, 1}, {149, 1}, {150, 2}, {250, 2}, {350, 4}, {1000000, 10000}};
  for (const Step& s : steps) EXPECT_EQ(updater::ProgressStepFor(s.total), s.step) << s.total;
  EXPECT_EQ(updater::UpdateScriptName({9, 5, 3}), "update_090503.bat");
  EXPECT_EQ(updater::UpdateScriptName({21, 40, 0}), "update_214000.bat");
}

TEST(UpdateTexts, PathEncodingKeepsSchemeHostSlashesAndEscapes) {
  EXPECT_EQ(updater::EncodeUrlPath("http://updates.invalid:8/download/Cifrona/Cifrona.zip"), "http://updates.invalid:8/download/Cifrona/Cifrona.zip");
  EXPECT_EQ(updater::EncodeUrlPath("http://updates.invalid/a b/файл%20x%zz.zip"), "http://updates.invalid/a%20b/%D1%84%D0%B0%D0%B9%D0%BB%20x%25zz.zip");
  EXPECT_EQ(updater::EncodeUrlPath(""), "");
}

TEST(UpdateScript, NamesNoFolderAndActsOnlyWhereTheStagedUpdateLies) {
  const std::string expected =
      "@echo off\r\n"
      "if not exist \"update.staging\\\" exit /b 1\r\n"
      "\r\n"
      "echo Waiting for the app to end...\r\n"
      "\"%SystemRoot%\\System32\\timeout.exe\" /t 2 >nul\r\n"
      "\r\n"
      "echo Extracting...\r\n"
      "set /a tries=0\r\n"
      ":move\r\n"
      "\"%SystemRoot%\\System32\\xcopy.exe\" \"update.staging\\*\" \".\\\" /E /Y /Q /R /H >nul && goto moved\r\n"
      "set /a tries+=1\r\n"
      "if %tries% geq 10 goto moved\r\n"
      "\"%SystemRoot%\\System32\\timeout.exe\" /t 1 >nul\r\n"
      "goto move\r\n"
      ":moved\r\n"
      "rd /s /q \"update.staging\"\r\n"
      "\r\n"
      "echo Starting app...\r\n"
      "start \"\" \"Cifrona Portable (2).exe\"\r\n"
      "\r\n"
      "echo Done\r\n"
      "\"%SystemRoot%\\System32\\timeout.exe\" /t 2 >nul\r\n"
      "del \"%~f0\"\r\n";
  EXPECT_EQ(updater::UpdateScriptText("Cifrona Portable (2).exe"), expected);
  // A program name a command line could misread never reaches the script.
  for (const char* name : {"Цифрона.exe", "a&calc&.exe", "%PATH%.exe", "a!b.exe", "a^b.exe", "a\"b.exe", "Cifrona.bat",
                           ".exe", ""})
    EXPECT_EQ(updater::ScriptExeName(name), "Cifrona.exe") << name;
  EXPECT_EQ(updater::ScriptExeName("CIFRONA.EXE"), "CIFRONA.EXE");
}

TEST(UpdateCheck, TheCheckClientIsBounded) {
  const platform::HttpSettings s = updater::CheckClientSettings();
  EXPECT_EQ(s.connectTimeoutMs, 3000);
  EXPECT_EQ(s.readTimeoutMs, 5000);
  EXPECT_GT(s.deadlineMs, s.readTimeoutMs);
  EXPECT_EQ(s.maxBytes, 4096u);
  EXPECT_LE(s.maxRedirects, 5);
  EXPECT_EQ(s.accept, updater::kAccept);
}

}  // namespace
