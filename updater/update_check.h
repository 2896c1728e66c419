// The update check's plain operations: the servers and their files, the version
// comparison, the proxy lookup and the fetch of the server's version, plus the small
// texts the download and the install compose (file names, switches, the update script).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/update_services.h"

namespace updater {

// The two base URLs, primary first, each ending in "/": build-time options.
const std::array<std::string, 2>& UpdateServers();
std::string UpdateFileStem();  // "Cifrona"
inline constexpr const char* SetupFileName = "Cifrona-setup.exe";
inline constexpr const char* ZipFileName = "Cifrona.zip";

inline constexpr const char* kUserAgent = "Mozilla/5.0 (Windows NT 6.1; WOW64;rv:12.0) Gecko/20100101 Firefox/12.0";
inline constexpr const char* kAccept = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";

// 1 when a is newer than b, -1 when b is newer, 0 when equal. Fields end at a full stop,
// a blank or a control character; a missing or non-numeric field counts as 0:
// "1.10" > "1.9", "1.2" == "1.2.0.0", "1.2 3" == "1.2.3".
int CompareVersions(const std::string& a, const std::string& b);

// The proxy of the user's Internet settings: true when a host and a port were found.
// Missing or unreadable values mean no proxy.
bool GetSystemProxy(std::string& proxyServer, int& proxyPort, bool& enabled);

// The process-wide proxy values the download fills at each start.
extern std::string ProxyServer;
extern int ProxyPort;
extern bool ProxyEnabled;

// The client settings every request of the updater uses; the check adds its time-outs.
platform::HttpSettings BaseClientSettings();

// Asks the servers in order for version.txt: true when one answered with status 200 and a
// non-blank body; then version is the trimmed body and downloadUrl the file this copy
// installs from that server's folder.
bool FetchServerVersion(std::string& version, std::string& downloadUrl);

// The text after the last slash; the whole text when there is none or it ends in one.
std::string FileNameFromUrl(const std::string& url);
// The user's temporary folder, with a trailing backslash.
std::string GetTempFolder();

// The installer's command line; language may be empty.
std::string InstallerSwitches(const std::string& language);

// Bytes per percent: total / 100, halves to the even neighbour (150 -> 2, 250 -> 2).
std::int64_t ProgressStepFor(std::int64_t total);
// received / step rounded the same way; step must be above 0.
std::int64_t RoundedQuotient(std::int64_t value, std::int64_t divisor);

// Characters outside printable ASCII and those not allowed in a URL path become %XX of
// their UTF-8 bytes; %XX sequences, the scheme, the host, slashes and the query stay.
std::string EncodeUrlPath(const std::string& url);

// "update_" + hhnnss + ".bat".
std::string UpdateScriptName(const platform::LocalTime& t);
// The update script (ASCII, CR LF after each line). Started in the program folder, it waits
// for the program to end, moves the staged update into place, starts exeName (the archive's
// program name instead, when exeName holds anything a command line could misread) and
// deletes itself.
std::string UpdateScriptText(const std::string& exeName);
std::string ScriptExeName(const std::string& exeName);

// The check's client: the base settings, its time-outs, an overall deadline per request
// and a cap on the body, for version.txt and the .sig alike.
platform::HttpSettings CheckClientSettings();
inline constexpr std::uint64_t kMaxVersionFileBytes = 4096;
// The download's client: the base settings, its time-outs, and not one byte more than the
// signed size.
platform::HttpSettings DownloadClientSettings(std::uint64_t signedSize);

}  // namespace updater
