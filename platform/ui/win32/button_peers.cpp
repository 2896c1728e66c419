// Push buttons, check boxes and radio buttons: BUTTON windows whose click runs the
// component's Click().
#include <windows.h>
#include <commctrl.h>

#include "platform/ui/win32/child_peer.h"
#include "platform/ui/win32/peers.h"

namespace ui::win32 {

namespace {

class ButtonFamilyPeer : public ChildPeer {
 public:
  ButtonFamilyPeer(Backend& backend, CaptionedControl& control, DWORD style) : ChildPeer(backend, control), captioned_(control) {
    Create({WC_BUTTONW, style, 0, control.Caption()});
  }
  void OnCommand(WORD code) override {
    if (code == BN_CLICKED) control().Click();
  }

 protected:
  std::optional<std::string> Text() const override { return captioned_.Caption(); }
  void SetCheck(bool checked) { Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }

 private:
  CaptionedControl& captioned_;
};

DWORD PushStyle(const Button& b) { return b.Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON; }

class ButtonPeer final : public ButtonFamilyPeer {
 public:
  ButtonPeer(Backend& backend, Button& button) : ButtonFamilyPeer(backend, button, PushStyle(button)), button_(button) { Sync(); }

 protected:
  void SyncState() override { Send(BM_SETSTYLE, PushStyle(button_), TRUE); }

 private:
  Button& button_;
};

class CheckBoxPeer final : public ButtonFamilyPeer {
 public:
  CheckBoxPeer(Backend& backend, CheckBox& box) : ButtonFamilyPeer(backend, box, BS_CHECKBOX), box_(box) { Sync(); }

 protected:
  void SyncState() override { SetCheck(box_.Checked()); }

 private:
  CheckBox& box_;
};

class RadioButtonPeer final : public ButtonFamilyPeer {
 public:
  RadioButtonPeer(Backend& backend, RadioButton& radio) : ButtonFamilyPeer(backend, radio, BS_RADIOBUTTON), radio_(radio) {
    Sync();
  }

 protected:
  void SyncState() override {
    SetCheck(radio_.Checked());
    // The group's tab stop follows its selection.
    LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
    SetWindowLongPtrW(hwnd(), GWL_STYLE, radio_.TabStop() ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
  }

 private:
  RadioButton& radio_;
};

}  // namespace

std::unique_ptr<Peer> MakeButtonPeer(Backend& backend, Button& button) { return std::make_unique<ButtonPeer>(backend, button); }
std::unique_ptr<Peer> MakeCheckBoxPeer(Backend& backend, CheckBox& box) { return std::make_unique<CheckBoxPeer>(backend, box); }
std::unique_ptr<Peer> MakeRadioButtonPeer(Backend& backend, RadioButton& radio) {
  return std::make_unique<RadioButtonPeer>(backend, radio);
}

}  // namespace ui::win32
