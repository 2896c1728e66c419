#include "platform/ui/win32/peer_common.h"

#include "platform/ui/win32/win32_ui.h"

namespace ui::win32 {

StyleManager& Styles() { return StyleManager::Instance(); }

unsigned ShiftState() {
  unsigned s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= kShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= kCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= kAlt;
  return s;
}

int DpiOf(const Control& c) {
  Form* f = c.OwnerForm();
  return f ? f->Dpi() : 96;
}

HCURSOR CursorFor(Cursor c) { return LoadCursorW(nullptr, c == Cursor::Hand ? IDC_HAND : IDC_ARROW); }

HWND ContainerHwnd(const Control& c) {
  for (Control* p = c.Parent(); p; p = p->Parent())
    if (p->GetPeer() && p->GetPeer()->Handle()) return reinterpret_cast<HWND>(p->GetPeer()->Handle());
  return nullptr;
}

POINT OffsetInContainer(const Control& c) {
  POINT o{c.Left(), c.Top()};
  for (Control* p = c.Parent(); p && !(p->GetPeer() && p->GetPeer()->Handle()); p = p->Parent()) {
    o.x += p->Left();
    o.y += p->Top();
  }
  return o;
}

ControlColors ColorsOf(const Control& c) {
  return {Backend::ToColorRef(Styles().BackgroundOf(c)), Backend::ToColorRef(Styles().TextColorOf(c))};
}

HBRUSH BackgroundBrushOf(Backend& backend, const Control& c) { return backend.BrushFor(ColorsOf(c).back); }

}  // namespace ui::win32
