// The widget's theme menu: system, light and dark. The mark is the stored state (the
// settings file keeps one flag per item); the style manager draws the windows.
#include "widget/unit_base.h"
#include "widget/windows_dark_mode.h"

void TForm1::UnCheckTheme() {
  for (ui::MenuItem* item : ThemeMenu->Items()) item->SetChecked(false);
}

// Each handler unmarks all and marks its own item again: the item's auto-check has just
// toggled its mark, which for an item already marked would otherwise leave none marked.

void TForm1::ThemeAutoClick(ui::Component&) {
  UnCheckTheme();
  ThemeAuto->SetChecked(true);
  // A registry value of the wrong type is reported (the item stays marked and the style
  // as it was).
  WindowsDarkMode::SetThemeStyle(WindowsDarkMode::SystemStyle());
}

void TForm1::ThemeLightClick(ui::Component&) {
  UnCheckTheme();
  ThemeLight->SetChecked(true);
  WindowsDarkMode::SetThemeStyle(WindowsDarkMode::kStyleLight);
}

void TForm1::ThemeDarkClick(ui::Component&) {
  UnCheckTheme();
  ThemeDark->SetChecked(true);
  WindowsDarkMode::SetThemeStyle(WindowsDarkMode::kStyleDark);
}
