// The number field: an EDIT window with up-down arrows beside it. The text is the truth;
// the arrows keep no position of their own and only step the value.
#include <windows.h>
#include <commctrl.h>

#include "platform/ui/win32/child_peer.h"
#include "platform/ui/win32/peers.h"
#include "platform/ui/win32/styled_controls.h"
#include "platform/ui/win32/window.h"

namespace ui::win32 {

namespace {

DWORD AlignmentStyle(Alignment a) { return a == Alignment::Center ? ES_CENTER : a == Alignment::Right ? ES_RIGHT : 0; }

class SpinEditPeer final : public ChildPeer {
 public:
  SpinEditPeer(Backend& backend, SpinEdit& spin) : ChildPeer(backend, spin), spin_(spin) {
    // Edit controls take their alignment at creation; later changes are only a hint.
    Create({WC_EDITW, ES_AUTOHSCROLL | WS_TABSTOP | AlignmentStyle(spin.TextAlignment()), WS_EX_CLIENTEDGE, spin.Text()});
    POINT o = OffsetInContainer(spin);
    upDown_.reset(CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | (spin.Visible() ? WS_VISIBLE : 0) | UDS_ALIGNRIGHT,
                                  o.x + WindowSize().cx, o.y, ArrowsWidth(), spin.Height(), GetParent(hwnd()), nullptr,
                                  GetModuleHandleW(nullptr), nullptr));
    if (!upDown_) throw WindowError::CannotCreate("control", spin.Name());
    // The control takes its default width on creation (16 pixels, whatever the DPI).
    SetWindowPos(arrows(), nullptr, 0, 0, ArrowsWidth(), spin.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(arrows(), UDM_SETRANGE32, 0, 100);
    SendMessageW(arrows(), UDM_SETPOS32, 0, 50);
    Adopt(arrows());
    styled::AttachUpDown(arrows(), spin);
    Sync();
  }

  ~SpinEditPeer() override {
    if (upDown_) Disown(arrows());
  }

  void Changed(Change what) override {
    ChildPeer::Changed(what);
    if (!upDown_) return;
    switch (what) {
      case Change::Bounds: {
        POINT o = OffsetInContainer(spin_);
        SetWindowPos(arrows(), nullptr, o.x + WindowSize().cx, o.y, ArrowsWidth(), spin_.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        break;
      }
      case Change::Visible:
        ShowWindow(arrows(), spin_.Visible() ? SW_SHOWNA : SW_HIDE);
        break;
      case Change::Enabled:
        EnableWindow(arrows(), spin_.Enabled());
        break;
      default:
        break;
    }
  }

  void OnCommand(WORD code) override {
    if (code == EN_CHANGE && !SettingText()) spin_.UserEditedText(WindowText());
  }

  bool OnNotify(NMHDR* n, LRESULT& result) override {
    if (n->hwndFrom != arrows() || n->code != UDN_DELTAPOS) return false;
    auto* d = reinterpret_cast<NMUPDOWN*>(n);
    if (d->iDelta > 0) spin_.StepUp();
    else if (d->iDelta < 0) spin_.StepDown();
    result = 1;  // the value is ours; the arrows keep no position of their own
    return true;
  }

 protected:
  SIZE WindowSize() const override { return {spin_.Width() - ArrowsWidth(), spin_.Height()}; }
  std::optional<std::string> Text() const override { return spin_.Text(); }
  void SyncState() override {
    // Selection offsets are UTF-8 bytes in the core; the digits of a number field are ASCII.
    Send(EM_SETSEL, spin_.SelStart(), spin_.SelStart() + spin_.SelLength());
  }
  void SyncStyle() override { SetStyleBits(ES_CENTER | ES_RIGHT, AlignmentStyle(spin_.TextAlignment())); }

 private:
  int ArrowsWidth() const { return MulDiv(17, DpiOf(spin_), 96); }
  HWND arrows() const { return upDown_.get(); }

  SpinEdit& spin_;
  UniqueWindow upDown_;
};

}  // namespace

std::unique_ptr<Peer> MakeSpinEditPeer(Backend& backend, SpinEdit& spin) { return std::make_unique<SpinEditPeer>(backend, spin); }

}  // namespace ui::win32
