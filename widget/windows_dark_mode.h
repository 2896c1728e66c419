// The current user's Windows light and dark settings, read afresh on every call.
#pragma once

namespace WindowsDarkMode {

inline constexpr const char* kPersonalizeKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize\\";

// True when AppsUseLightTheme exists and is exactly 0. A value of another type throws
// platform::RegistryError ("Invalid data type for '...'").
bool IsAppsDarkTheme();
// True when SystemUsesLightTheme exists and is exactly 1; throws like IsAppsDarkTheme.
bool IsSystemLightTheme();

}  // namespace WindowsDarkMode
