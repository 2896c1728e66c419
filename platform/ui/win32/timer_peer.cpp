// Timers: SetTimer on the application's hidden window, which runs the component's Tick.
#include "platform/ui/win32/peers.h"
#include "platform/ui/win32/win32_ui.h"

namespace ui::win32 {

namespace {

class TimerPeer final : public Peer {
 public:
  TimerPeer(Backend& backend, Timer& timer) : backend_(backend), timer_(timer), id_(backend.AddTimerTarget(&timer)) {
    Changed(Change::Timer);
  }
  ~TimerPeer() override { backend_.RemoveTimerTarget(id_); }
  void Changed(Change what) override {
    if (what != Change::Timer) return;
    HWND h = backend_.AppHwnd();
    KillTimer(h, id_);
    if (timer_.Enabled() && timer_.Interval() > 0) SetTimer(h, id_, timer_.Interval(), nullptr);
  }

 private:
  Backend& backend_;
  Timer& timer_;
  UINT_PTR id_;
};

}  // namespace

std::unique_ptr<Peer> MakeTimerPeer(Backend& backend, Timer& timer) { return std::make_unique<TimerPeer>(backend, timer); }

}  // namespace ui::win32
