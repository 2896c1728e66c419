#include "widget/tray_picture.h"

#include "platform/text.h"
#include "widget/windows_dark_mode.h"

namespace tray {

int ImageIndexFor(bool coloured) {
  if (coloured) return 2;
  return WindowsDarkMode::IsSystemLightTheme() ? 0 : 1;
}

std::string Tooltip(std::string_view description, std::string_view version, std::string_view bitness,
                    bool portable) {
  std::string tip = std::string(description) + "\r" + std::string(version) + " " + std::string(bitness);
  if (portable) tip += "\r Portable";
  std::u16string units = text::Utf8ToUtf16(tip);
  if (units.size() > 127) {
    units.resize(127);
    if (units.back() >= 0xD800 && units.back() <= 0xDBFF) units.pop_back();  // half a surrogate pair
  }
  return text::Utf16ToUtf8(units);
}

}  // namespace tray
