#include "widget/unit_base.h"

#include "app/storage_locations.h"
#include "app/windows_version.h"
#include "info/file_info_utils.h"
#include "info/unit_about.h"
#include "platform/services.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "settings_dialog/unit_settings.h"
#include "widget/identity.h"
#include "widget/placement.h"
#include "widget/windows_dark_mode.h"

TForm1* Form1 = nullptr;

namespace {

namespace keys = settings::keys;

platform::WindowSystem& Windows() { return *platform::Current().windows; }

// Resumes drawing however the tick ends: a window left locked would never be drawn again.
class WindowUpdateLock {
 public:
  explicit WindowUpdateLock(std::uintptr_t window) { Windows().LockWindowUpdate(window); }
  ~WindowUpdateLock() { Windows().LockWindowUpdate(0); }
  WindowUpdateLock(const WindowUpdateLock&) = delete;
  WindowUpdateLock& operator=(const WindowUpdateLock&) = delete;
};

}  // namespace

TForm1::TForm1() : ui::Form("Form1") {
  FProcessPrioritySet = false;
  ui::HandlerMap h;
  h.Add("FormCreate", this, &TForm1::FormCreate)
      .Add("FormClose", this, &TForm1::FormClose)
      .Add("MenuExitClick", this, &TForm1::MenuExitClick)
      .Add("MenuAboutClick", this, &TForm1::MenuAboutClick)
      .Add("MenuCheckUpdateClick", this, &TForm1::MenuCheckUpdateClick)
      .Add("Timer1Timer", this, &TForm1::Timer1Timer)
      .Add("PopupMenu1Popup", this, &TForm1::PopupMenu1Popup)
      .Add("TrayIcon1MouseMove", this, &TForm1::TrayIcon1MouseMove)
      .Add("TrayIcon1DblClick", this, &TForm1::TrayIcon1DblClick)
      .Add("LabelNumberMouseDown", this, &TForm1::LabelNumberMouseDown)
      .Add("SettingsClick", this, &TForm1::SettingsClick)
      .Add("Timer2Timer", this, &TForm1::Timer2Timer)
      .Add("ThemeAutoClick", this, &TForm1::ThemeAutoClick)
      .Add("ThemeLightClick", this, &TForm1::ThemeLightClick)
      .Add("ThemeDarkClick", this, &TForm1::ThemeDarkClick);
  ui::LoadForm(*this, h);

  Timer1 = &Get<ui::Timer>("Timer1");
  TrayIcon1 = &Get<ui::TrayIcon>("TrayIcon1");
  PopupMenu1 = &Get<ui::PopupMenu>("PopupMenu1");
  MenuExit = &Get<ui::MenuItem>("MenuExit");
  N3 = &Get<ui::MenuItem>("N3");
  MenuAbout = &Get<ui::MenuItem>("MenuAbout");
  N5 = &Get<ui::MenuItem>("N5");
  ImageList1 = &Get<ui::ImageList>("ImageList1");
  N1 = &Get<ui::MenuItem>("N1");
  N6 = &Get<ui::MenuItem>("N6");
  Settings = &Get<ui::MenuItem>("Settings");
  MenuCheckUpdate = &Get<ui::MenuItem>("MenuCheckUpdate");
  ThemeMenu = &Get<ui::MenuItem>("ThemeMenu");
  ThemeAuto = &Get<ui::MenuItem>("ThemeAuto");
  ThemeLight = &Get<ui::MenuItem>("ThemeLight");
  ThemeDark = &Get<ui::MenuItem>("ThemeDark");
  PopupMenuLanguage = &Get<ui::PopupMenu>("PopupMenuLanguage");
  LangOnlyWindows = &Get<ui::MenuItem>("LangOnlyWindows");
  LangError = &Get<ui::MenuItem>("LangError");
  Version = &Get<ui::MenuItem>("Version");
  LanguageMenu = &Get<ui::MenuItem>("LanguageMenu");
  LabelNumber = &Get<ui::Label>("LabelNumber");
  Timer2 = &Get<ui::Timer>("Timer2");
  Name = &Get<ui::MenuItem>("Name");

  // Handlers the definition may leave unnamed are bound here, so the widget works
  // whatever the definition binds.
  if (!OnCreate) OnCreate = [this](ui::Component& s) { FormCreate(s); };
  if (!OnClose) OnClose = [this](ui::Component& s, ui::CloseAction& a) { FormClose(s, a); };
  if (!MenuExit->OnClick) MenuExit->OnClick = [this](ui::Component& s) { MenuExitClick(s); };
  if (!Timer1->OnTimer) Timer1->OnTimer = [this](ui::Component& s) { Timer1Timer(s); };
  if (!Timer2->OnTimer) Timer2->OnTimer = [this](ui::Component& s) { Timer2Timer(s); };
  if (!PopupMenu1->OnPopup) PopupMenu1->OnPopup = [this](ui::Component& s) { PopupMenu1Popup(s); };
}

void TForm1::CreateParams(ui::CreateParams& params) {
  // No taskbar button, not in the task switcher, never activated by a click; owned by
  // the desktop window rather than the application's.
  params.exStyle |= ui::exstyle::kToolWindow | ui::exstyle::kNoActivate;
  params.owner = ui::CreateParams::Owner::Desktop;
}

// ---- creation and end --------------------------------------------------------

void TForm1::FormCreate(ui::Component&) {
  // Portable or installed: every later path depends on it.
  app::DecidePortableMode();

  // Identity texts.
  const std::string exe = platform::Current().system->ExecutablePath();
  const std::string version = FileInfoUtils::GetFileVersion(exe);
  SetCaption(identity::WindowCaption(Caption(), version, app::IsPortable()));
  Name->SetCaption(FileInfoUtils::GetFileDescription(exe));
  Version->SetCaption(identity::VersionItemCaption(version));

  // Bottom of the window stack; this creates the system window with its styles.
  KeepAtBottom(platform::ZOrderKeep::AtTick);

  // Below normal priority: a clock on the desktop must never compete with the user's work.
  LowerProcessPriority();

  // Theme ticks from the settings file.
  LoadNastr();

  // The settings dialog does not exist yet, so this leaves the design font.
  FontApply();

  // The language submenu and the chosen language.
  LoadLanguage();

  // On the digits, a left drag moves the window and a right click opens the menu.
  LabelNumber->OnMouseDown = [this](ui::Component& s, ui::MouseButton b, unsigned shift, int x, int y) {
    LabelNumberMouseDown(s, b, shift, x, y);
  };

  // The design size is given at 96 DPI; the first ApplyScale (the settings load) takes
  // its base size from it, so it must match the monitor first.
  ScaleDesignSizeToDpi();
}

void TForm1::MenuExitClick(ui::Component&) { Close(); }

void TForm1::SettingsClick(ui::Component&) {
  // Not modal: the widget changes live while the dialog is open. Shown again when it is.
  if (!Form2) return;
  Form2->Show();
  Form2->BringToFront();
}

void TForm1::MenuAboutClick(ui::Component&) {
  // The About box only informs: when it cannot be shown (it is showing already, its
  // window cannot be made) the command does nothing, without a message.
  try {
    if (Form8) Form8->ShowModal();
  } catch (...) {
  }
}

void TForm1::FormClose(ui::Component&, ui::CloseAction& action) {
  try {
    SaveNastr();
  } catch (...) {
    // The settings could not be written: say so and stay running, so that nothing the
    // user set is lost; Exit can be tried again once the cause is fixed.
    action = ui::CloseAction::None;
    if (ui::Application* app = ui::Application::Current())
      app->HandleException(std::current_exception());
    else
      throw;
  }
}

void TForm1::LowerProcessPriority() {
  if (FProcessPrioritySet) return;
  if (platform::Current().process->LowerPriority()) FProcessPrioritySet = true;
}

bool TForm1::IsWindows10Or11() { return app::IsWindows10Or11(app::ReadWindowsVersion()); }

// ---- settings ----------------------------------------------------------------

void TForm1::LoadNastr() {
  settings::IniFile ini(app::PortablePath());
  for (ui::MenuItem* item : {ThemeAuto, ThemeLight, ThemeDark}) {
    item->SetChecked(ini.ReadBool(keys::kOption, item->ComponentName(), false));
    // Its click handler applies the theme; called directly, because a user's click on an
    // auto-check item would toggle the tick just read.
    if (item->Checked() && item->OnClick) item->OnClick(*item);
  }
}

void TForm1::SaveNastr() {
  settings::IniFile ini(app::PortablePath());
  // Quick is ticked at every start until the update dialog exists to say otherwise.
  ini.WriteBool(keys::kOption, keys::kCheckBoxQuickUpdate, widget::QuickUpdateChecked());
  for (ui::MenuItem* item : {ThemeAuto, ThemeLight, ThemeDark})
    ini.WriteBool(keys::kOption, item->ComponentName(), item->Checked());
  if (Form2) {
    ini.WriteBool(keys::kOption, keys::kMenuColorTrayIcon, Form2->MenuColorTrayIcon->Checked());
    ini.WriteBool(keys::kOption, keys::kRadioButtonDefaultPosition, Form2->RadioButtonDefaultPosition->Checked());
    ini.WriteBool(keys::kOption, keys::kRadioButtonLastPosition, Form2->RadioButtonLastPosition->Checked());
    ini.WriteBool(keys::kOption, keys::kCheckBoxIgnoreMouse, Form2->CheckBoxIgnoreMouse->Checked());
    ini.WriteInteger(keys::kOption, keys::kSpinEditNumber, Form2->SpinEditNumber->Value());
    ini.WriteInteger(keys::kOption, keys::kColorBoxNumber, Form2->ColorBoxNumber->Selected());
    ini.WriteInteger(keys::kOption, keys::kComboBoxFont, Form2->ComboBoxFont->ItemIndex());
    ini.WriteInteger(keys::kOption, keys::kTrackBarScale, Form2->TrackBarScale->Position());
    ini.WriteBool(keys::kOption, keys::kCheckBoxAutoColor, Form2->CheckBoxAutoColor->Checked());
  }
  ini.WriteInteger(keys::kOption, keys::kTop, Top());
  ini.WriteInteger(keys::kOption, keys::kLeft, Left());
  ini.Update();
}

// ---- font and mouse ----------------------------------------------------------

int TForm1::SelectedFontIndex() const { return Form2 ? Form2->ComboBoxFont->ItemIndex() : 0; }
int TForm1::ScalePosition() const { return Form2 ? Form2->TrackBarScale->Position() : 100; }
bool TForm1::IsMouseIgnored() const { return Form2 && Form2->IsMouseIgnored(); }
bool TForm1::CentredPositionChosen() const { return Form2 && Form2->RadioButtonDefaultPosition->Checked(); }

void TForm1::FontApply() {
  // Without the settings dialog there is no choice yet: the font stays.
  if (Form2) ApplyFontIndex(Form2->ComboBoxFont->ItemIndex());
}

void TForm1::ApplyFontIndex(int index) {
  try {
    if (index == widget::kSystemFontIndex) {
      ui::Font f = LabelNumber->GetFont();
      f.name = "Segoe UI";
      LabelNumber->SetFont(f);
      return;
    }
    // Index -1 (no selection) asks for resource 0, which does not exist.
    if (!Windows().AddFontFromResource(index + 1)) return;
    if (index < 0 || index >= widget::kSystemFontIndex) return;
    ui::Font f = LabelNumber->GetFont();
    f.name = widget::kFontNames[index];
    LabelNumber->SetFont(f);
  } catch (...) {
    // A font that cannot be applied leaves the digits as they are.
  }
}

void TForm1::UpdateCursorForAllLabels() {
  const std::uintptr_t h = Handle();
  const std::uint32_t ex = Windows().GetExStyle(h);
  if (IsMouseIgnored()) {
    LabelNumber->SetCursor(ui::Cursor::Default);
    Windows().SetExStyle(h, ex | ui::exstyle::kTransparent);
  } else {
    LabelNumber->SetCursor(ui::Cursor::Hand);
    Windows().SetExStyle(h, ex & ~ui::exstyle::kTransparent);
  }
}

void TForm1::LabelNumberMouseDown(ui::Component&, ui::MouseButton button, unsigned, int, int) {
  if (Form2 && IsMouseIgnored()) {
    PopupMenu1->SetAutoPopup(false);
    return;
  }
  PopupMenu1->SetAutoPopup(true);
  switch (button) {
    case ui::MouseButton::Left:
      Windows().StartSystemMove(Handle());
      break;
    case ui::MouseButton::Right: {
      Windows().SetForegroundWindow(Handle());
      PopupMenu1->SetPopupComponent(LabelNumber);
      const platform::Point p = Windows().CursorPos();
      PopupMenu1->Popup(p.x, p.y);
      break;
    }
    default:
      break;
  }
}

// ---- z-order and the tick -----------------------------------------------------

void TForm1::KeepAtBottom(platform::ZOrderKeep why) {
  Windows().SetWindowPosBottom(Handle(), why);
  if (ui::Application* app = ui::Application::Current())
    if (const std::uintptr_t appWindow = app->Handle()) Windows().HideWindow(appWindow);
}

void TForm1::PopupMenu1Popup(ui::Component&) {
  KeepAtBottom(platform::ZOrderKeep::MenuOpen);
  ui::ProcessPendingMessages();
}

TForm1::DigitsPicture TForm1::CurrentDigitsPicture() {
  DigitsPicture p;
  p.caption = LabelNumber->Caption();
  p.font = LabelNumber->GetFont();
  p.keyColor = TransparentColorValue();
  p.keyed = TransparentColor();
  p.style = ui::StyleManager::Instance().ActiveName();
  p.fontIndex = SelectedFontIndex();
  p.scale = ScalePosition();
  p.workArea = Windows().WorkArea();
  p.dpi = Windows().DpiForWindow(Handle());
  p.width = Width();
  p.height = Height();
  return p;
}

void TForm1::Timer1Timer(ui::Component&) {
  {
    WindowUpdateLock lock(Handle());
    if (CentredPositionChosen()) Centre();
    KeepAtBottom(platform::ZOrderKeep::AtTick);
    if (FDrawnPicture && *FDrawnPicture == CurrentDigitsPicture()) return;
    ++FDigitsRedraws;
    ApplyScale();
    Windows().InvalidateRect(Handle(), false);
  }
  Invalidate();
  FDrawnPicture = CurrentDigitsPicture();
}

// ---- size and place -----------------------------------------------------------

void TForm1::ScaleDesignSizeToDpi() {
  const int dpi = Windows().DpiForWindow(Handle());
  // The toolkit scales a form itself when it knows the DPI; only a form still at its
  // 96-DPI size is scaled here.
  if (dpi == 96 || Dpi() == dpi) return;
  SetClientSize(placement::ScaleForDpi(ClientWidth(), dpi), placement::ScaleForDpi(ClientHeight(), dpi));
}

void TForm1::ApplyScale() {
  const int fontIndex = SelectedFontIndex();
  const int scale = ScalePosition();
  const platform::Rect area = Windows().WorkArea();

  ui::Font f = LabelNumber->GetFont();
  f.size = placement::FontSize(scale, fontIndex, area.Width());
  LabelNumber->SetFont(f);

  const int textWidth = LabelNumber->TextWidth(LabelNumber->Caption());
  if (FOriginalWidth == 0) {
    const placement::BaseSize base = placement::CaptureBaseSize(LabelNumber->Width(), LabelNumber->Height(), fontIndex);
    FOriginalWidth = base.width;
    FOriginalHeight = base.height;
  }
  const placement::Size size = placement::WindowSize(scale, textWidth, {FOriginalWidth, FOriginalHeight}, area);
  // Grows or shrinks from the top-left corner; a centred widget is centred again on the tick.
  SetBounds(Left(), Top(), size.width, size.height);
  Invalidate();
}

void TForm1::Centre() {
  const platform::Point p = placement::CenteredPosition(Windows().WorkArea(), Width(), Height());
  SetBounds(p.x, p.y, Width(), Height());
}

void TForm1::KeepFormInWorkArea() {
  const platform::Point p = placement::KeepInWorkArea(BoundsRect(), Windows().WorkArea());
  SetBounds(p.x, p.y, Width(), Height());
}

void TForm1::Moving(ui::Rect& r) {
  r = placement::ClampWhileMoving(r, Windows().WorkArea());
}

void TForm1::ExitSizeMove() {
  KeepFormInWorkArea();
  GetDesktopColorAsync();
}

void TForm1::SettingChange(ui::SystemSetting setting, const std::string&) {
  // The size limits follow a new work area (taskbar moved or resized).
  if (setting == ui::SystemSetting::WorkArea) ApplyScale();
  // Apps may have switched between light and dark: the system theme follows. Only the
  // look would suffer from a failure, so it is not reported.
  if (ThemeAuto->Checked()) {
    try {
      WindowsDarkMode::SetThemeStyle(WindowsDarkMode::SystemStyle());
    } catch (...) {
    }
  }
  // The taskbar may have turned light or dark: the tray picture follows.
  if (Form2) {
    try {
      Form2->MenuColorTrayIconClick(*Form2->MenuColorTrayIcon);
    } catch (...) {
    }
  }
}
