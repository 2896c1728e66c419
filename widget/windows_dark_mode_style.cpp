// The style half of WindowsDarkMode: it needs the GUI toolkit, the registry half does not.
#include "platform/ui/style.h"
#include "widget/windows_dark_mode.h"

namespace WindowsDarkMode {

void SetThemeStyle(const std::string& styleName) {
  // The style manager ignores unknown names and the active style; a change repaints
  // every window through its change notification.
  ui::StyleManager::Instance().SetStyle(styleName);
}

}  // namespace WindowsDarkMode
