// The progress bar: a PROGRESS window showing the component's range and position.
#include <windows.h>
#include <commctrl.h>

#include "platform/ui/win32/child_peer.h"
#include "platform/ui/win32/peers.h"

namespace ui::win32 {

namespace {

class ProgressBarPeer final : public ChildPeer {
 public:
  ProgressBarPeer(Backend& backend, ProgressBar& bar) : ChildPeer(backend, bar), bar_(bar) {
    Create({PROGRESS_CLASSW, 0, 0, {}});
    Sync();
  }

 protected:
  void SyncState() override { Send(PBM_SETPOS, bar_.Position()); }
  void SyncRange() override {
    Send(PBM_SETRANGE32, bar_.Min(), bar_.Max());
    Send(PBM_SETPOS, bar_.Position());
  }

 private:
  ProgressBar& bar_;
};

}  // namespace

std::unique_ptr<Peer> MakeProgressBarPeer(Backend& backend, ProgressBar& bar) {
  return std::make_unique<ProgressBarPeer>(backend, bar);
}

}  // namespace ui::win32
