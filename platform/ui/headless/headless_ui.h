// The headless backend: components keep their state without windows, tests play the
// user (click, type, wheel, choose a menu item, fire a timer, move a window) and read
// what the program did. Every input runs through the same guard as a window procedure:
// an exception from a handler lands in errorBoxes, as the error box would show it.
//
// Text measurement is deterministic: n code points in a font of s points at d DPI are
// n * round(0.6 * PointsToPixels(s, d)) pixels wide.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/ui/ui.h"

namespace ui::headless {

class Backend : public ui::Backend {
 public:
  Backend();
  ~Backend() override;

  // ---- what the program did
  struct ErrorBox {
    std::string title;
    std::string text;
  };
  std::vector<ErrorBox> errorBoxes;
  // Peer notifications and operations, as "Form1.Show", "LabelNumber.Text", "PopupMenu1.Popup 10,20".
  std::vector<std::string> log;
  int foregroundRequests = 0;
  Control* Focused() const { return focused_; }
  // Menus shown, most recent last.
  std::vector<PopupMenu*> popups;

  // ---- what the user does
  // Runs when a form is shown modally, in place of the modal loop: set a modal result,
  // press a button or close the form in it. A form left without a result counts as cancelled.
  std::function<void(Form&)> onModal;
  // Runs while a popup menu is open (choose an item with ChooseMenuItem in it).
  std::function<void(PopupMenu&)> onPopup;
  Point cursor{0, 0};
  int dpi = 96;
  // The system's high-contrast setting, as a test fakes it; a SettingChange passes it on.
  bool highContrast = false;
  // The work area the screen snap of a moved form uses.
  Rect workArea{0, 0, 1920, 1040};

  void Click(Control& c);
  void MouseDown(Control& c, MouseButton b, int x, int y, unsigned shift = 0);
  void MouseUp(Control& c, MouseButton b, int x, int y, unsigned shift = 0);
  void Focus(Control& c);  // moves the focus (OnExit of the old control, OnEnter of the new)
  // A key press on the focused control (or c): the form's dialog keys (Enter, Esc) when the
  // control leaves them; in a spin edit Backspace, Delete, Left, Right, Home, End edit the text.
  void Key(Control& c, int key, unsigned shift = 0);
  void Char(Control& c, char16_t ch);  // a typed character; a spin edit inserts it at the caret
  void Wheel(Control& receiver, int delta, Point screenPos, unsigned shift = 0);
  void MoveSlider(TrackBar& t, int position);
  void SelectItem(ComboBox& c, int index);
  void SelectColor(ColorBox& c, int index);
  // Chooses an item of an open (or any) menu: its click runs from the queue, as on Windows.
  void ChooseMenuItem(MenuItem& item);
  void FireTimer(Timer& t);
  // One tick of every enabled timer of the form that has a handler, in creation order.
  void FireTimers(Form& f);
  // The user drags the form: Moving may change r; the form takes the result.
  Rect Move(Form& f, Rect r);
  void EndMove(Form& f);
  void SettingChange(Form& f, SystemSetting setting, const std::string& area);
  void TrayMouseMove(TrayIcon& t, Point p);
  void TrayButtonUp(TrayIcon& t, MouseButton b, Point p);
  void TrayDoubleClick(TrayIcon& t);
  void CloseBox(Form& f);  // the title bar's close button

  // ---- ui::Backend
  std::unique_ptr<Peer> CreatePeer(Component& component) override;
  void Run(Application& app) override;
  void ProcessMessages(Application& app) override;
  void Terminate() override { log.push_back("Terminate"); }
  void WakeUp() override {}
  void ShowErrorBox(const std::string& title, const std::string& text) override { errorBoxes.push_back({title, text}); }
  int TextWidth(const Control& control, const std::string& text) override;
  Point CursorPos() const override { return cursor; }
  void ForegroundApplication() override { ++foregroundRequests; }
  int DefaultDpi() const override { return dpi; }
  bool HighContrast() const override { return highContrast; }

 private:
  friend class Peer;
  void Guard(const std::function<void()>& f);
  Control* focused_ = nullptr;
};

}  // namespace ui::headless
