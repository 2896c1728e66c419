#include "platform/ui/win32/container_peer.h"

#include <windowsx.h>

#include "platform/ui/win32/child_peer.h"
#include "platform/ui/win32/light_peers.h"
#include "platform/ui/win32/win32_ui.h"

namespace ui::win32 {

Point ContainerPeer::ClientOrigin() const {
  POINT p{0, 0};
  ClientToScreen(hwnd(), &p);
  return {p.x, p.y};
}

void ContainerPeer::Changed(Change what) {
  if (!hwnd()) return;
  switch (what) {
    case Change::Enabled:
      EnableWindow(hwnd(), control_.Enabled());
      break;
    case Change::Font:
      for (Control* c : control_.Children())
        if (c->ParentFont() && c->GetPeer()) c->GetPeer()->Changed(Change::Font);
      InvalidateRect(hwnd(), nullptr, FALSE);
      break;
    default:
      InvalidateRect(hwnd(), nullptr, FALSE);
      break;
  }
}

LRESULT ContainerPeer::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (auto result = ContainerMessage(msg, wParam, lParam)) return *result;
  return Window::HandleMessage(msg, wParam, lParam);
}

std::optional<LRESULT> ContainerPeer::ContainerMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // painting happens in one pass in WM_PAINT
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd(), &ps);
      Paint(dc);
      EndPaint(hwnd(), &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_COMMAND:
      return Command(wParam, lParam);
    case WM_NOTIFY: {
      auto* n = reinterpret_cast<NMHDR*>(lParam);
      LRESULT result = 0;
      if (ChildPeer* child = ChildPeer::Of(n->hwndFrom); child && child->OnNotify(n, result)) return result;
      return std::nullopt;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (ChildPeer* child = ChildPeer::Of(reinterpret_cast<HWND>(lParam))) {
        child->OnScroll();
        return 0;
      }
      return std::nullopt;
    case WM_DRAWITEM: {
      const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (ChildPeer* child = ChildPeer::Of(d->hwndItem)) {
        child->OnDrawItem(*d);
        return TRUE;
      }
      return std::nullopt;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      if (ChildPeer* child = ChildPeer::Of(reinterpret_cast<HWND>(lParam)))
        return reinterpret_cast<LRESULT>(child->OnCtlColor(reinterpret_cast<HDC>(wParam)));
      return std::nullopt;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      Mouse(msg, lParam);
      return 0;
    case WM_MOUSEMOVE: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      Control* target = LightAt(control_, p);
      if (target) target->MouseMove(ShiftState(), p.x - target->Left(), p.y - target->Top());
      else control_.MouseMove(ShiftState(), p.x, p.y);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      Form* form = control_.OwnerForm();
      Point screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (form && form->DispatchMouseWheel(control_, ShiftState(), GET_WHEEL_DELTA_WPARAM(wParam), screen)) return 0;
      return std::nullopt;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(hwnd(), &p);
        Control* target = LightAt(control_, p);
        Cursor cursor = target ? target->GetCursor() : control_.GetCursor();
        if (cursor != Cursor::Default) {
          ::SetCursor(CursorFor(cursor));
          return TRUE;
        }
      }
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

void ContainerPeer::Paint(HDC dc) {
  RECT client;
  GetClientRect(hwnd(), &client);
  // One pass: the back buffer takes the background (the widget's key colour), then the
  // frame and the labels, then goes to the screen at once.
  BackBuffer buffer(dc, client.right, client.bottom);
  HDC mem = buffer.dc();
  COLORREF back = Background();
  FillRect(mem, &client, backend_.BrushFor(back));
  PaintFrame(mem, client, back);
  for (Control* c : control_.Children())
    if (DrawnByContainer(*c) && c->Visible()) DrawLight(backend_, mem, *c);
  buffer.BlitTo(dc);
}

LRESULT ContainerPeer::Command(WPARAM wParam, LPARAM lParam) {
  HWND from = reinterpret_cast<HWND>(lParam);
  if (from) {
    if (ChildPeer* child = ChildPeer::Of(from)) child->OnCommand(HIWORD(wParam));
    return 0;
  }
  // The dialog keys (IsDialogMessage): IDOK for Enter without a default button, IDCANCEL for Esc.
  Form* form = control_.OwnerForm();
  if (!form) return 0;
  WORD id = LOWORD(wParam);
  if (id == IDCANCEL) form->DialogKey(key::kEscape);
  else if (id == IDOK) form->DialogKey(key::kReturn);
  else if (Button* b = form->DefaultButton(); b && ChildPeer::IdOf(*b) == id) b->Click();
  return 0;
}

void ContainerPeer::Mouse(UINT msg, LPARAM lParam) {
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  MouseButton button = (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP)   ? MouseButton::Left
                       : (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP) ? MouseButton::Right
                                                                        : MouseButton::Middle;
  bool down = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN;
  Control* target = LightAt(control_, p);
  Control& c = target ? *target : control_;
  int x = target ? p.x - target->Left() : p.x, y = target ? p.y - target->Top() : p.y;
  if (down) {
    pressed_ = &c;
    c.MouseDown(button, ShiftState(), x, y);
  } else {
    bool click = button == MouseButton::Left && pressed_ == &c;
    pressed_ = nullptr;
    c.MouseUp(button, ShiftState(), x, y);
    if (click && target) target->Click();
  }
}

}  // namespace ui::win32
