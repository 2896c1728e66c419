// The widget window TForm1: the number floating on the desktop, its context menu, its
// housekeeping timer, its size and place, and the settings it loads and stores itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/services.h"
#include "platform/ui/ui.h"

class TForm1 : public ui::Form {
 public:
  // The constructor (Create): the priority flag is cleared before the definition loads.
  TForm1();
  // Waits (bounded) for colour workers still in flight, which report to this window.
  ~TForm1() override;

  // Components, in declaration order.
  ui::Timer* Timer1 = nullptr;
  ui::TrayIcon* TrayIcon1 = nullptr;
  ui::PopupMenu* PopupMenu1 = nullptr;
  ui::MenuItem* MenuExit = nullptr;
  ui::MenuItem* N3 = nullptr;
  ui::MenuItem* MenuAbout = nullptr;
  ui::MenuItem* N5 = nullptr;
  ui::ImageList* ImageList1 = nullptr;
  ui::MenuItem* N1 = nullptr;
  ui::MenuItem* N6 = nullptr;
  ui::MenuItem* Settings = nullptr;
  ui::MenuItem* MenuCheckUpdate = nullptr;
  ui::MenuItem* ThemeMenu = nullptr;
  ui::MenuItem* ThemeAuto = nullptr;
  ui::MenuItem* ThemeLight = nullptr;
  ui::MenuItem* ThemeDark = nullptr;
  ui::PopupMenu* PopupMenuLanguage = nullptr;
  ui::MenuItem* LangOnlyWindows = nullptr;
  ui::MenuItem* LangError = nullptr;
  ui::MenuItem* Version = nullptr;
  ui::MenuItem* LanguageMenu = nullptr;
  ui::Label* LabelNumber = nullptr;
  ui::Timer* Timer2 = nullptr;
  ui::MenuItem* Name = nullptr;

  bool IsWindows10Or11();
  void LoadNastr();
  void SaveNastr();
  void FontApply();
  void UpdateCursorForAllLabels();
  void ApplyScale();
  void KeepFormInWorkArea();

  // Shows the font of list entry `index` (0..5 embedded, 6 "Segoe UI") on the digits;
  // a font that cannot be registered leaves the digits as they are.
  void ApplyFontIndex(int index);
  // The design client size (given at 96 DPI) at the DPI of the widget's monitor, so the
  // base size captured by the first ApplyScale is right on high-DPI screens.
  void ScaleDesignSizeToDpi();

  // Event handlers.
  void FormCreate(ui::Component& sender);
  void FormClose(ui::Component& sender, ui::CloseAction& action);
  void MenuExitClick(ui::Component& sender);
  void MenuAboutClick(ui::Component& sender);
  void MenuCheckUpdateClick(ui::Component& sender);  // unit_base_update.cpp
  void Timer1Timer(ui::Component& sender);
  void PopupMenu1Popup(ui::Component& sender);
  void LabelNumberMouseDown(ui::Component& sender, ui::MouseButton button, unsigned shift, int x, int y);

  // Tray icon (unit_base_tray.cpp). The picture: 2 when coloured, else 0 for a light
  // taskbar and 1 for a dark or unknown one; the registry is read afresh, and any failure
  // leaves the picture as it was.
  void SelectTrayPicture(bool coloured);
  void TrayIcon1MouseMove(ui::Component& sender, unsigned shift, int x, int y);
  void TrayIcon1DblClick(ui::Component& sender);
  void SettingsClick(ui::Component& sender);

  // Interface language (unit_base_language.cpp). LoadLanguage reads the chosen language
  // and rebuilds the submenu from the language files; a click stores and applies an
  // entry's language; Globload translates every window; CleanTranslationsLikeGlobload
  // removes the entries of writable language files that name no window or component.
  void LoadLanguage();
  void LanguageItemClick(ui::Component& sender);
  void Globload();
  void CleanTranslationsLikeGlobload();

  // Theme menu (unit_base_theme.cpp): three radio items; a click leaves exactly the
  // clicked one marked and makes its style active ("Системная" follows the apps' mode).
  void UnCheckTheme();
  void ThemeAutoClick(ui::Component& sender);
  void ThemeLightClick(ui::Component& sender);
  void ThemeDarkClick(ui::Component& sender);

  // How often the tick found something changed and scaled and repainted the digits.
  int DigitsRedraws() const { return FDigitsRedraws; }
  int OriginalWidth() const { return FOriginalWidth; }
  int OriginalHeight() const { return FOriginalHeight; }
  bool ProcessPrioritySet() const { return FProcessPrioritySet; }

  // Automatic digit colour (unit_base_autocolor.cpp). The request starts a worker unless
  // one is in flight (a flag older than 3000 ms counts as stale); the worker samples the
  // wallpaper when its path differs from the last applied one and posts the result.
  void GetDesktopColorAsync();
  // The corner colour of the wallpaper, white when it cannot be had. Runs on the worker:
  // it reads no state of the form.
  static ui::Color GetDesktopColor();
  ui::Color GetContrastColor(ui::Color background);
  // On the UI thread: stores a worker's result and, with the automatic colour on, applies it.
  void ApplyDesktopColor(const std::string& path, ui::Color color);
  void Timer2Timer(ui::Component& sender);
  // The switch of the settings dialog's "Авто цвет": the timer, a first sampling.
  void AutoColorSwitched(bool on);
  ui::Color CachedDesktopColor() const { return FCachedDesktopColor; }
  std::uint32_t LastUpdateTime() const { return FLastUpdateTime; }

  // Window messages: WM_MOVING, WM_EXITSIZEMOVE, WM_SETTINGCHANGE.
  void Moving(ui::Rect& r) override;
  void ExitSizeMove() override;
  void SettingChange(ui::SystemSetting setting, const std::string& area) override;

 protected:
  void CreateParams(ui::CreateParams& params) override;

 private:
  void LowerProcessPriority();
  // Bottom of the window stack, and the application's own window hidden again.
  void KeepAtBottom(platform::ZOrderKeep why);
  void Centre();
  // What the widget reads from the settings dialog; before that dialog exists, its design
  // values: first font, scale 100, mouse not ignored, no position choice.
  int SelectedFontIndex() const;
  int ScalePosition() const;
  bool IsMouseIgnored() const;
  bool CentredPositionChosen() const;

  // Everything the digits' picture and the window size are made from. The tick scales and
  // repaints only when one of these differs from what was last drawn: an idle tick then
  // keeps only the z-order call, and the system repaints from the drawn window as before.
  struct DigitsPicture {
    std::string caption;
    ui::Font font;
    ui::Color keyColor = 0;
    bool keyed = false;
    std::string style;
    int fontIndex = 0;
    int scale = 0;
    platform::Rect workArea{};
    int dpi = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const DigitsPicture&, const DigitsPicture&) = default;
  };
  DigitsPicture CurrentDigitsPicture();
  std::optional<DigitsPicture> FDrawnPicture;

  ui::Color FCachedDesktopColor = 0;
  std::uint32_t FLastUpdateTime = 0;
  std::int32_t FOriginalWidth = 0;
  std::int32_t FOriginalHeight = 0;
  bool FProcessPrioritySet = false;
  int FDigitsRedraws = 0;
};

// The widget, once its construction has begun; empty before and after.
extern TForm1* Form1;

// Automatic-colour state, touched on the UI thread only: a sampling worker is in flight,
// and the wallpaper path of the last sampling applied.
extern bool ColorUpdateBusy;
extern std::string LastWallpaperPath;
// True when the existing file can be opened for writing with no sharing (closed at once).
bool IsFileWritable(const std::string& path);

namespace widget {

// The font list's entries, whose texts are the face names asked for.
inline constexpr const char* kFontNames[] = {"Digital Display Regular", "Digital-7", "DJB Get Digital", "MOSCOW2024",
                                             "Seven Segment", "Typo Digit Demo", "Segoe UI"};
inline constexpr int kSystemFontIndex = 6;

inline constexpr ui::Color kKeyColor = ui::kClGray;  // RGB(128, 128, 128)
inline constexpr int kLayeredAlpha = 50;

// The update dialog's quick-update box; ticked while that dialog does not exist (unit_base_update.cpp).
bool QuickUpdateChecked();

}  // namespace widget
