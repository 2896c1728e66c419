#include "app/storage_locations.h"

#include "info/file_info_utils.h"
#include "platform/paths.h"
#include "platform/services.h"

namespace app {

namespace {
bool g_isPortable = false;
}

std::string ExecutableFolder() { return paths::ExtractFilePath(platform::Current().system->ExecutablePath()); }

void DecidePortableMode() { g_isPortable = platform::Current().files->FileExists(ExecutableFolder() + "portable.ini"); }

bool IsPortable() { return g_isPortable; }

std::string GetAppDataRoamingPath() {
  const auto folder = platform::Current().system->RoamingAppDataFolder();
  if (!folder) return {};
  return paths::IncludeTrailingBackslash(*folder);
}

std::string PortablePath() {
  std::string result;
  if (g_isPortable) {
    result = ExecutableFolder() + "Config\\Option.ini";
  } else {
    const std::string exe = platform::Current().system->ExecutablePath();
    result = paths::IncludeTrailingBackslash(GetAppDataRoamingPath()) +
             paths::IncludeTrailingBackslash(FileInfoUtils::GetCompanyName(exe)) + kAppTitle + "\\Config\\Option.ini";
  }
  try {
    paths::ForceFolders(paths::ExtractFilePath(result));
  } catch (...) {
    // A folder that cannot be made shows later, when the file cannot be written.
  }
  return result;
}

}  // namespace app
