// Where the settings live: beside the executable when a "portable.ini" marker is there,
// else in the user's roaming application-data folder under the maker's and the
// program's names.
#pragma once

#include <string>

namespace app {

inline constexpr const char* kAppTitle = "Cifrona";

// Decided once, as the widget is created; later changes to the marker count from the next start.
void DecidePortableMode();
bool IsPortable();

// The roaming application-data folder with exactly one trailing backslash, or "" when unknown.
std::string GetAppDataRoamingPath();

// The settings file's path, built anew on each call; its folder is created (silently) each time.
std::string PortablePath();

// The running executable's folder, with its trailing backslash.
std::string ExecutableFolder();

}  // namespace app
