// The current user's Windows light and dark settings, read afresh on every call, and the
// choice of the program's visual style.
#pragma once

#include <string>

namespace WindowsDarkMode {

inline constexpr const char* kPersonalizeKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize\\";

inline constexpr const char* kStyleLight = "Windows11 Modern Light";
inline constexpr const char* kStyleDark = "Windows11 Modern Dark";

// Makes the named style the active one and has every window of the program redrawn in it.
// A name that is not registered, or the active style's, changes nothing and shows nothing.
void SetThemeStyle(const std::string& styleName);

// True when AppsUseLightTheme exists and is exactly 0. A value that is not a DWORD throws
// platform::RegistryError: "Failed to get data for '...'" when its data is larger than
// four bytes, "Invalid data type for '...'" otherwise.
bool IsAppsDarkTheme();
// True when SystemUsesLightTheme exists and is exactly 1; throws like IsAppsDarkTheme.
bool IsSystemLightTheme();

// The style that follows the apps' mode: dark exactly while apps use the dark mode.
// Throws like IsAppsDarkTheme.
inline const char* SystemStyle() { return IsAppsDarkTheme() ? kStyleDark : kStyleLight; }

}  // namespace WindowsDarkMode
