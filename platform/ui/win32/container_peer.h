// The base of the windows that hold controls (the form, a group box, a panel): each paints
// itself and its windowless controls in one pass through a back buffer, hands the mouse to
// the windowless control under it and reflects its control windows' notifications back to
// their peers.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/ui/ui.h"
#include "platform/ui/win32/peer_common.h"
#include "platform/ui/win32/window.h"

namespace ui::win32 {

class ContainerPeer : public Window, public Peer {
 public:
  ~ContainerPeer() override = default;

  std::uintptr_t Handle() const override { return reinterpret_cast<std::uintptr_t>(hwnd()); }
  void Invalidate() override { InvalidateRect(hwnd(), nullptr, FALSE); }
  Point ClientOrigin() const override;
  void SetFocus() override { ::SetFocus(hwnd()); }
  bool Focused() const override { return GetFocus() == hwnd(); }
  void Changed(Change what) override;

 protected:
  ContainerPeer(Backend& backend, Control& control) : backend_(backend), control_(control) {}

  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // The messages every container answers; nothing for the others.
  std::optional<LRESULT> ContainerMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // The colour the background is filled with.
  virtual COLORREF Background() const { return ColorsOf(control_).back; }
  // What the container draws over its background before its windowless controls.
  virtual void PaintFrame(HDC /*dc*/, const RECT& /*client*/, COLORREF /*back*/) {}

  Backend& backend() const { return backend_; }
  Control& control() const { return control_; }

 private:
  void Paint(HDC dc);
  LRESULT Command(WPARAM wParam, LPARAM lParam);
  void Mouse(UINT msg, LPARAM lParam);

  Backend& backend_;
  Control& control_;
  Control* pressed_ = nullptr;
};

}  // namespace ui::win32
