// The slider: a trackbar whose moves by the user reach TrackBar::UserMoved.
#include <windows.h>
#include <commctrl.h>

#include "platform/ui/win32/child_peer.h"
#include "platform/ui/win32/peers.h"

namespace ui::win32 {

namespace {

DWORD TickStyle(const TrackBar& t) { return t.TickMarks() ? TBS_AUTOTICKS : TBS_NOTICKS; }

class TrackBarPeer final : public ChildPeer {
 public:
  TrackBarPeer(Backend& backend, TrackBar& slider) : ChildPeer(backend, slider), slider_(slider) {
    Create({TRACKBAR_CLASSW, TBS_HORZ | TBS_BOTH | TickStyle(slider), 0, {}});
    Sync();
  }

  void OnScroll() override {
    if (pressing_) {
      scrolledWhilePressing_ = true;
      return;
    }
    slider_.UserMoved(static_cast<int>(Send(TBM_GETPOS)));
  }

 protected:
  void SyncState() override { Send(TBM_SETPOS, TRUE, slider_.Position()); }
  void SyncRange() override {
    Send(TBM_SETRANGEMIN, FALSE, slider_.Min());
    Send(TBM_SETRANGEMAX, TRUE, slider_.Max());
    Send(TBM_SETPOS, TRUE, slider_.Position());
  }
  void SyncStyle() override { SetStyleBits(TBS_NOTICKS | TBS_AUTOTICKS, TickStyle(slider_)); }

  // A slider pages or starts its thumb drag on the press; a handler that places the thumb
  // itself must come after that, or the slider's own paging would undo it.
  bool Pressed(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    // Its scroll notifications wait until the press is handled: the change handlers let
    // pending messages run, and a button release run inside the press would leave the
    // slider holding the mouse for good.
    pressing_ = true;
    result = Default(msg, wParam, lParam);
    pressing_ = false;
    if (scrolledWhilePressing_) {
      scrolledWhilePressing_ = false;
      OnScroll();
    }
    return true;
  }

 private:
  TrackBar& slider_;
  bool pressing_ = false;
  bool scrolledWhilePressing_ = false;
};

}  // namespace

std::unique_ptr<Peer> MakeTrackBarPeer(Backend& backend, TrackBar& slider) {
  return std::make_unique<TrackBarPeer>(backend, slider);
}

}  // namespace ui::win32
