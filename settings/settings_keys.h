// Every section and key of the settings file, in one place. Keys of "Option" are the
// names of the controls and menu items whose state they hold.
#pragma once

#include <array>
#include <string_view>

namespace settings::keys {

inline constexpr std::string_view kOption = "Option";
inline constexpr std::string_view kLanguageSection = "Language";

inline constexpr std::string_view kThemeAuto = "ThemeAuto";
inline constexpr std::string_view kThemeLight = "ThemeLight";
inline constexpr std::string_view kThemeDark = "ThemeDark";
inline constexpr std::string_view kRadioButtonDefaultPosition = "RadioButtonDefaultPosition";
inline constexpr std::string_view kRadioButtonLastPosition = "RadioButtonLastPosition";
inline constexpr std::string_view kMenuColorTrayIcon = "MenuColorTrayIcon";
inline constexpr std::string_view kCheckBoxIgnoreMouse = "CheckBoxIgnoreMouse";
inline constexpr std::string_view kComboBoxFont = "ComboBoxFont";
inline constexpr std::string_view kSpinEditNumber = "SpinEditNumber";
inline constexpr std::string_view kTrackBarScale = "TrackBarScale";
inline constexpr std::string_view kCheckBoxAutoColor = "CheckBoxAutoColor";
inline constexpr std::string_view kColorBoxNumber = "ColorBoxNumber";
inline constexpr std::string_view kTop = "Top";
inline constexpr std::string_view kLeft = "Left";
inline constexpr std::string_view kCheckBoxAutoCheck = "CheckBoxAutoCheck";
inline constexpr std::string_view kCheckBoxQuickUpdate = "CheckBoxQuickUpdate";
inline constexpr std::string_view kLanguage = "Language";  // in section "Language"

// The theme items in menu order: read and written in this order.
inline constexpr std::array<std::string_view, 3> kThemeItems = {kThemeAuto, kThemeLight, kThemeDark};

inline constexpr int kDefaultColor = 16777215;  // white, 0x00FFFFFF
inline constexpr bool kDefaultAutoCheck = true;

}  // namespace settings::keys
