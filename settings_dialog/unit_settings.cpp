#include "settings_dialog/unit_settings.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "app/storage_locations.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "settings_dialog/autostart.h"
#include "settings_dialog/color_list.h"
#include "widget/unit_base.h"

TForm2* Form2 = nullptr;

namespace {

namespace keys = settings::keys;


std::string CustomColorName(ui::Color c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return buf;
}

}  // namespace

namespace settings_dialog {

bool SpinEditKeyAllowed(int key) {
  switch (key) {
    // The keys the number fields let through besides digits.
    case ui::key::kBack: case ui::key::kLeft: case ui::key::kUp: case ui::key::kRight: case ui::key::kDown:
    case ui::key::kDelete: case ui::key::kTab: case ui::key::kReturn: case ui::key::kEscape:
      return true;
    default:
      return false;
  }
}

int TrackBarClickPosition(int x, int width, int max) {
  const int span = width - 28;
  if (span <= 0) return 0;  // a slider too narrow to have a track: the minimum after clamping
  return static_cast<int>(std::nearbyint(double(max) * (x - 14) / span));
}

}  // namespace settings_dialog

// ---- the slider ----------------------------------------------------------------

bool TTrackBar::DoMouseWheel(unsigned, int wheelDelta, ui::Point) {
  SetPosition(Position() + settings_dialog::WheelNotches(wheelDelta));
  return true;
}

void TTrackBar::MouseDown(ui::MouseButton button, unsigned shift, int x, int y) {
  ui::TrackBar::MouseDown(button, shift, x, y);
  if (button == ui::MouseButton::Left && Name() == "TrackBarScale")
    SetPosition(settings_dialog::TrackBarClickPosition(x, Width(), Max()));
}

// ---- creation -------------------------------------------------------------------

TForm2::TForm2() : ui::Form("Form2") {
  ui::HandlerMap h;
  h.Add("FormCreate", this, &TForm2::FormCreate)
      .Add("SpinEditNumberChange", this, &TForm2::SpinEditNumberChange)
      .Add("SpinEditNumberKeyDown", this, &TForm2::SpinEditNumberKeyDown)
      .Add("SpinEditNumberKeyPress", this, &TForm2::SpinEditNumberKeyPress)
      .Add("SpinEditScaleChange", this, &TForm2::SpinEditScaleChange)
      .Add("SpinEditScaleKeyDown", this, &TForm2::SpinEditScaleKeyDown)
      .Add("SpinEditScaleKeyPress", this, &TForm2::SpinEditScaleKeyPress)
      .Add("TrackBarScaleChange", this, &TForm2::TrackBarScaleChange)
      .Add("ComboBoxFontChange", this, &TForm2::ComboBoxFontChange)
      .Add("ColorBoxNumberClick", this, &TForm2::ColorBoxNumberClick)
      .Add("CheckBoxAutoColorClick", this, &TForm2::CheckBoxAutoColorClick)
      .Add("MenuColorTrayIconClick", this, &TForm2::MenuColorTrayIconClick)
      .Add("CheckBoxIgnoreMouseClick", this, &TForm2::CheckBoxIgnoreMouseClick)
      .Add("RadioButtonDefaultPositionClick", this, &TForm2::RadioButtonDefaultPositionClick)
      .Add("RadioButtonLastPositionClick", this, &TForm2::RadioButtonLastPositionClick)
      .Add("MenuAutostartClick", this, &TForm2::MenuAutostartClick)
      .Add("ButtonSaveClick", this, &TForm2::ButtonSaveClick);
  ui::LoadForm(*this, h, ui::ClassMap().Use<TTrackBar>("TrackBarScale"));

  GroupBoxNumber = &Get<ui::GroupBox>("GroupBoxNumber");
  SpinEditNumber = &Get<ui::SpinEdit>("SpinEditNumber");
  GroupBox2 = &Get<ui::GroupBox>("GroupBox2");
  MenuColorTrayIcon = &Get<ui::CheckBox>("MenuColorTrayIcon");
  CheckBoxIgnoreMouse = &Get<ui::CheckBox>("CheckBoxIgnoreMouse");
  GroupBoxFont = &Get<ui::GroupBox>("GroupBoxFont");
  ComboBoxFont = &Get<ui::ComboBox>("ComboBoxFont");
  ColorBoxNumber = &Get<ui::ColorBox>("ColorBoxNumber");
  CheckBoxAutoColor = &Get<ui::CheckBox>("CheckBoxAutoColor");
  GroupBoxScale = &Get<ui::GroupBox>("GroupBoxScale");
  TrackBarScale = &Get<TTrackBar>("TrackBarScale");
  SpinEditScale = &Get<ui::SpinEdit>("SpinEditScale");
  GroupBox3 = &Get<ui::GroupBox>("GroupBox3");
  RadioButtonDefaultPosition = &Get<ui::RadioButton>("RadioButtonDefaultPosition");
  RadioButtonLastPosition = &Get<ui::RadioButton>("RadioButtonLastPosition");
  GroupBox4 = &Get<ui::GroupBox>("GroupBox4");
  MenuAutostart = &Get<ui::CheckBox>("MenuAutostart");
  ButtonSave = &Get<ui::Button>("ButtonSave");

  // The list's entries come from the program's colour table; its design colour stays.
  const ui::Color design = ColorBoxNumber->Selected();
  std::vector<ui::ColorBox::Entry> entries;
  for (const colors::NamedColor& c : colors::ListColors()) entries.push_back({std::string(c.name), c.value});
  ColorBoxNumber->SetItems(std::move(entries));
  ColorBoxNumber->SetSelected(design);
}

void TForm2::CreateParams(ui::CreateParams& params) {
  // A taskbar button of its own, and not owned by the widget: hiding the widget leaves it.
  params.exStyle |= ui::exstyle::kAppWindow;
  params.owner = ui::CreateParams::Owner::Desktop;
}

void TForm2::FormCreate(ui::Component&) {
  // The windows that exist so far in the chosen language.
  if (Form1) Form1->Globload();
  // The scale field follows the slider's range.
  SpinEditScale->SetMaxValue(TrackBarScale->Max());
  SpinEditScale->SetMinValue(TrackBarScale->Min());
  // The wheel over the number or scale field steps that field.
  OnMouseWheel = [this](ui::Component& s, unsigned shift, int delta, ui::Point p, bool& handled) {
    FormMouseWheel(s, shift, delta, p, handled);
  };
  // The number stands in the middle of its field.
  SpinEditNumber->SetTextAlignment(ui::Alignment::Center);
}

// ---- settings ---------------------------------------------------------------------

void TForm2::LoadNastr() {
  // A Run entry that cannot be rewritten is reported, but must not keep the stored
  // number, font and colour from reaching the widget.
  if (ui::Application* app = ui::Application::Current())
    app->Guard([this] { CheckAutoStart(); });
  else
    CheckAutoStart();
  // The settings file beside the program or in the user's folder, as decided at start.
  settings::IniFile ini(app::PortablePath());
  // The window position choice. Both read as "not selected" when missing, which also clears the design choice.
  RadioButtonDefaultPosition->SetChecked(ini.ReadBool(keys::kOption, keys::kRadioButtonDefaultPosition, false));
  if (RadioButtonDefaultPosition->Checked()) RadioButtonDefaultPositionClick(*RadioButtonDefaultPosition);
  RadioButtonLastPosition->SetChecked(ini.ReadBool(keys::kOption, keys::kRadioButtonLastPosition, false));
  if (RadioButtonLastPosition->Checked()) RadioButtonLastPositionClick(*RadioButtonLastPosition);
  // Let the widget move to the chosen position before the next settings touch it.
  ui::ProcessPendingMessages();
  // The tray icon's colour.
  MenuColorTrayIcon->SetChecked(ini.ReadBool(keys::kOption, keys::kMenuColorTrayIcon, false));
  MenuColorTrayIconClick(*MenuColorTrayIcon);
  // Clicks through the digits.
  CheckBoxIgnoreMouse->SetChecked(ini.ReadBool(keys::kOption, keys::kCheckBoxIgnoreMouse, false));
  CheckBoxIgnoreMouseClick(*CheckBoxIgnoreMouse);
  // The font. An index outside the list leaves it without a selection.
  ComboBoxFont->SetItemIndex(ini.ReadInteger(keys::kOption, keys::kComboBoxFont, 0));
  ComboBoxFontChange(*ComboBoxFont);
  // The number and the scale. The controls clamp; a changed value reaches the widget through their handlers.
  SpinEditNumber->SetValue(ini.ReadInteger(keys::kOption, keys::kSpinEditNumber, SpinEditNumber->Value()));
  TrackBarScale->SetPosition(ini.ReadInteger(keys::kOption, keys::kTrackBarScale, TrackBarScale->Position()));
  // Automatic colour.
  CheckBoxAutoColor->SetChecked(ini.ReadBool(keys::kOption, keys::kCheckBoxAutoColor, false));
  CheckBoxAutoColorClick(*CheckBoxAutoColor);
  // The stored colour. While the colour follows the desktop, the stored one is not even read.
  if (!CheckBoxAutoColor->Checked()) {
    SelectColor(ini.ReadInteger(keys::kOption, keys::kColorBoxNumber, keys::kDefaultColor));
    ColorBoxNumberClick(*ColorBoxNumber);
  }
  // The file closes with ini; nothing was written.
}

void TForm2::SelectColor(ui::Color color) {
  if (colors::IndexOf(color) < 0) {
    if (colors::IsSystemColor(color)) {
      // A system colour the list does not know has no colour behind it: the default.
      color = keys::kDefaultColor;
    } else {
      auto entries = ColorBoxNumber->Items();
      entries.push_back({CustomColorName(color), color});
      ColorBoxNumber->SetItems(std::move(entries));
    }
  }
  ColorBoxNumber->SetSelected(color);
}

bool TForm2::IsMouseIgnored() const { return CheckBoxIgnoreMouse->Checked(); }

void TForm2::ApplyScaleImmediately() {
  if (Form1) Form1->ApplyScale();
}

// ---- number ---------------------------------------------------------------------

void TForm2::SpinEditNumberChange(ui::Component&) {
  if (!Form1) return;
  Form1->LabelNumber->SetCaption(std::to_string(SpinEditNumber->Value()));
  ApplyScaleImmediately();
}

void TForm2::SpinEditNumberKeyDown(ui::Component&, int& key, unsigned) {
  if (!settings_dialog::SpinEditKeyAllowed(key)) key = 0;
}

// Typing is never accepted: the wheel, Up and Down and Delete are the ways to change it.
void TForm2::SpinEditNumberKeyPress(ui::Component&, char16_t& key) { key = 0; }

// ---- scale ----------------------------------------------------------------------

void TForm2::ShowScaleHint() {
  TrackBarScale->SetShowHint(true);
  TrackBarScale->SetHint(std::to_string(TrackBarScale->Position()));
}

void TForm2::TrackBarScaleChange(ui::Component&) {
  SpinEditScale->SetValue(TrackBarScale->Position());
  ShowScaleHint();
  ApplyScaleImmediately();
  ui::ProcessPendingMessages();
}

void TForm2::SpinEditScaleChange(ui::Component&) {
  TrackBarScale->SetPosition(SpinEditScale->Value());
  ShowScaleHint();
  ApplyScaleImmediately();
  ui::ProcessPendingMessages();
}

void TForm2::SpinEditScaleKeyDown(ui::Component& sender, int& key, unsigned shift) {
  SpinEditNumberKeyDown(sender, key, shift);
}

void TForm2::SpinEditScaleKeyPress(ui::Component& sender, char16_t& key) { SpinEditNumberKeyPress(sender, key); }

void TForm2::FormMouseWheel(ui::Component&, unsigned, int wheelDelta, ui::Point mousePos, bool& handled) {
  ui::Control* under = ControlAt(ScreenToClient(mousePos));
  ui::SpinEdit* field = nullptr;
  if (under == SpinEditNumber) field = SpinEditNumber;
  if (under == SpinEditScale) field = SpinEditScale;
  if (!field) return;
  // One step per message, whatever the delta: a fast wheel must not skip numbers.
  field->SetFocus();
  if (wheelDelta > 0)
    field->StepUp();
  else
    field->StepDown();
  field->SelectAll();
  handled = true;
  ui::ProcessPendingMessages();
}

// ---- font and colour --------------------------------------------------------------

void TForm2::ComboBoxFontChange(ui::Component& sender) {
  if (Form1) Form1->FontApply();
  TrackBarScaleChange(sender);
  if (Form1) Form1->ApplyScale();
}

void TForm2::ColorBoxNumberClick(ui::Component&) {
  if (CheckBoxAutoColor->Checked() || !Form1) return;
  ui::Font f = Form1->LabelNumber->GetFont();
  f.color = ColorBoxNumber->Selected();
  Form1->LabelNumber->SetFont(f);
}

void TForm2::CheckBoxAutoColorClick(ui::Component&) {
  // The list is the colour only while the desktop does not choose it; switching the
  // automatic colour off gives the digits the list's colour back.
  const bool automatic = CheckBoxAutoColor->Checked();
  if (Form1) Form1->AutoColorSwitched(automatic);
  ColorBoxNumber->SetEnabled(!automatic);
  if (!automatic) {
    // The list showed the automatic colour as its background; it is the user's list again.
    ColorBoxNumber->SetColor(ui::kClDefault);
    ColorBoxNumberClick(*ColorBoxNumber);
  }
  ui::ProcessPendingMessages();
}

// ---- options ----------------------------------------------------------------------

void TForm2::MenuColorTrayIconClick(ui::Component&) {
  if (Form1) Form1->SelectTrayPicture(MenuColorTrayIcon->Checked());
}

void TForm2::CheckBoxIgnoreMouseClick(ui::Component&) {
  if (Form1) Form1->UpdateCursorForAllLabels();
}

void TForm2::RadioButtonDefaultPositionClick(ui::Component&) {
  RadioButtonDefaultPosition->SetChecked(true);
  RadioButtonLastPosition->SetChecked(false);
  ui::ProcessPendingMessages();
}

void TForm2::RadioButtonLastPositionClick(ui::Component&) {
  settings::IniFile ini(app::PortablePath());
  RadioButtonLastPosition->SetChecked(true);
  RadioButtonDefaultPosition->SetChecked(false);
  if (!Form1) return;
  // The place last stored, not where the widget happens to stand.
  Form1->SetTop(ini.ReadInteger(keys::kOption, keys::kTop, Form1->Top()));
  Form1->SetLeft(ini.ReadInteger(keys::kOption, keys::kLeft, Form1->Left()));
  Form1->KeepFormInWorkArea();
}

// ---- start with Windows -------------------------------------------------------------

void TForm2::CheckAutoStart() {
  MenuAutostart->SetChecked(false);
  // Ticking runs the click handler, which rewrites a recognised entry as the bare path.
  if (autostart::IsRegistered()) MenuAutostart->SetChecked(true);
}

void TForm2::CreateAutoStart(bool Enabled) { autostart::Write(Enabled); }

void TForm2::MenuAutostartClick(ui::Component&) { CreateAutoStart(MenuAutostart->Checked()); }

// ---- Ok ---------------------------------------------------------------------------

void TForm2::ButtonSaveClick(ui::Component&) {
  if (Form1) Form1->SaveNastr();
  ui::ProcessPendingMessages();
  Close();
}
