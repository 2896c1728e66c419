// The settings dialog TForm2: the one place the user changes the widget. Every change
// applies at once; "Ok" stores everything and hides the dialog. Its controls are the live
// store of the settings: the widget, the tray icon and the settings file read them.
#pragma once

#include "platform/ui/ui.h"

// The dialog's own slider: the wheel moves it by whole notches, and a left press puts the
// thumb under the pointer at once instead of paging towards it.
class TTrackBar : public ui::TrackBar {
 public:
  using ui::TrackBar::TrackBar;
  bool DoMouseWheel(unsigned shift, int wheelDelta, ui::Point screenPos) override;
  void MouseDown(ui::MouseButton button, unsigned shift, int x, int y) override;
};

class TForm2 : public ui::Form {
 public:
  TForm2();

  // Components, in definition order.
  ui::GroupBox* GroupBoxNumber = nullptr;
  ui::SpinEdit* SpinEditNumber = nullptr;
  ui::GroupBox* GroupBox2 = nullptr;
  ui::CheckBox* MenuColorTrayIcon = nullptr;
  ui::CheckBox* CheckBoxIgnoreMouse = nullptr;
  ui::GroupBox* GroupBoxFont = nullptr;
  ui::ComboBox* ComboBoxFont = nullptr;
  ui::ColorBox* ColorBoxNumber = nullptr;
  ui::CheckBox* CheckBoxAutoColor = nullptr;
  ui::GroupBox* GroupBoxScale = nullptr;
  TTrackBar* TrackBarScale = nullptr;
  ui::SpinEdit* SpinEditScale = nullptr;
  ui::GroupBox* GroupBox3 = nullptr;
  ui::RadioButton* RadioButtonDefaultPosition = nullptr;
  ui::RadioButton* RadioButtonLastPosition = nullptr;
  ui::GroupBox* GroupBox4 = nullptr;
  ui::CheckBox* MenuAutostart = nullptr;
  ui::Button* ButtonSave = nullptr;

  // Loads the stored settings into the controls, whose handlers push them into the widget.
  void LoadNastr();
  bool IsMouseIgnored() const;
  void ApplyScaleImmediately();
  void CheckAutoStart();
  void CreateAutoStart(bool Enabled);

  // Event handlers.
  void FormCreate(ui::Component& sender);
  void FormMouseWheel(ui::Component& sender, unsigned shift, int wheelDelta, ui::Point mousePos, bool& handled);
  void SpinEditNumberChange(ui::Component& sender);
  void SpinEditNumberKeyDown(ui::Component& sender, int& key, unsigned shift);
  void SpinEditNumberKeyPress(ui::Component& sender, char16_t& key);
  void SpinEditScaleChange(ui::Component& sender);
  void SpinEditScaleKeyDown(ui::Component& sender, int& key, unsigned shift);
  void SpinEditScaleKeyPress(ui::Component& sender, char16_t& key);
  void TrackBarScaleChange(ui::Component& sender);
  void ComboBoxFontChange(ui::Component& sender);
  void ColorBoxNumberClick(ui::Component& sender);
  void CheckBoxAutoColorClick(ui::Component& sender);
  void MenuColorTrayIconClick(ui::Component& sender);
  void CheckBoxIgnoreMouseClick(ui::Component& sender);
  void RadioButtonDefaultPositionClick(ui::Component& sender);
  void RadioButtonLastPositionClick(ui::Component& sender);
  void MenuAutostartClick(ui::Component& sender);
  void ButtonSaveClick(ui::Component& sender);

 protected:
  void CreateParams(ui::CreateParams& params) override;

 private:
  // The scale's tooltip shows the slider's position.
  void ShowScaleHint();
  // Selects colour in the list, adding it as a custom entry when the list lacks it, so the
  // digits and the list always agree.
  void SelectColor(ui::Color color);
};

// The settings dialog, once its construction has begun; empty before and after.
extern TForm2* Form2;

namespace settings_dialog {

// The keys the two number fields let through: Backspace, Left, Up, Right, Down, Delete,
// Tab, Enter and Escape. Everything else is discarded.
bool SpinEditKeyAllowed(int key);

// The slider position a left press at x gives on a slider w pixels wide (before clamping):
// 500 × (x − 14) / (w − 28), rounded half to even.
int TrackBarClickPosition(int x, int width, int max = 500);

// The wheel's move of the slider: whole notches of 120, truncated toward zero.
inline constexpr int WheelNotches(int wheelDelta) { return wheelDelta / 120; }

}  // namespace settings_dialog
