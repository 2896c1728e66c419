#include "platform/ui/win32/child_peer.h"

#include <windowsx.h>

#include "platform/ui/win32/styled_controls.h"
#include "platform/ui/win32/tooltips.h"
#include "platform/ui/win32/win32_ui.h"

namespace ui::win32 {

namespace {

const wchar_t kPeerProp[] = L"CifronaPeer";
constexpr int kFirstControlId = 100;  // above IDOK/IDCANCEL, which the dialog keys send
int g_nextControlId = kFirstControlId;
constexpr UINT_PTR kSubclassId = 1;

}  // namespace

ChildPeer::ChildPeer(Backend& backend, Control& control) : backend_(backend), control_(control) {}

ChildPeer* ChildPeer::Of(HWND hwnd) { return static_cast<ChildPeer*>(GetPropW(hwnd, kPeerProp)); }

void ChildPeer::Create(const Spec& spec) {
  HWND parent = ContainerHwnd(control_);
  POINT o = OffsetInContainer(control_);
  SIZE size = WindowSize();
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (control_.Visible() ? WS_VISIBLE : 0) | (control_.TabStop() ? WS_TABSTOP : 0) |
                spec.style;
  id_ = g_nextControlId++;
  SetLastError(ERROR_SUCCESS);
  hwnd_.reset(CreateWindowExW(spec.exStyle, spec.className, Wide(spec.text).c_str(), style, o.x, o.y, size.cx, size.cy, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), GetModuleHandleW(nullptr), nullptr));
  if (!hwnd_) throw WindowError::CannotCreate("control", control_.Name());
  SetPropW(hwnd(), kPeerProp, this);
  SetWindowSubclass(hwnd(), &ChildPeer::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  // Under a style the control paints itself from the palette (a subclass of its own).
  styled::Attach(hwnd(), control_);
}

void ChildPeer::Sync() {
  for (Change c : {Change::Font, Change::State, Change::Range, Change::Items, Change::Enabled, Change::Style, Change::Hint})
    Changed(c);
}

ChildPeer::~ChildPeer() {
  if (!hwnd_) return;
  if (toolAdded_) RemoveToolHint(hwnd());
  RemoveWindowSubclass(hwnd(), &ChildPeer::SubclassProc, kSubclassId);
  RemovePropW(hwnd(), kPeerProp);
  // hwnd_ destroys the window.
}

int ChildPeer::IdOf(const Control& c) {
  auto* peer = dynamic_cast<ChildPeer*>(c.GetPeer());
  return peer ? peer->Id() : 0;
}

void ChildPeer::Adopt(HWND part) { SetPropW(part, kPeerProp, this); }
void ChildPeer::Disown(HWND part) { RemovePropW(part, kPeerProp); }

Point ChildPeer::ClientOrigin() const {
  POINT p{0, 0};
  ClientToScreen(hwnd(), &p);
  return {p.x, p.y};
}

void ChildPeer::Changed(Change what) {
  if (!hwnd_) return;
  switch (what) {
    case Change::Text:
      SetText();
      break;
    case Change::Bounds: {
      POINT o = OffsetInContainer(control_);
      SIZE size = WindowSize();
      SetWindowPos(hwnd(), nullptr, o.x, o.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    case Change::Visible:
      ShowWindow(hwnd(), control_.Visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case Change::Enabled:
      EnableWindow(hwnd(), control_.Enabled());
      break;
    case Change::Font:
      Send(WM_SETFONT, reinterpret_cast<WPARAM>(backend_.FontFor(Styles().FontOf(control_), DpiOf(control_))), TRUE);
      SyncFont();
      break;
    case Change::State:
      SyncState();
      break;
    case Change::Range:
      SyncRange();
      break;
    case Change::Items:
      SyncItems();
      break;
    case Change::Style:
      SyncStyle();
      break;
    case Change::Hint:
      toolAdded_ = SetToolHint(hwnd(), control_, toolAdded_);
      break;
    default:
      InvalidateRect(hwnd(), nullptr, TRUE);
      break;
  }
}

HBRUSH ChildPeer::OnCtlColor(HDC dc) {
  ControlColors colors = ColorsOf(control_);
  SetTextColor(dc, colors.text);
  SetBkColor(dc, colors.back);
  return backend_.BrushFor(colors.back);
}

std::string ChildPeer::WindowText() const {
  int n = GetWindowTextLengthW(hwnd());
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  GetWindowTextW(hwnd(), w.data(), n + 1);
  w.resize(static_cast<size_t>(n));
  return Narrow(w);
}

void ChildPeer::SetText() {
  std::optional<std::string> text = Text();
  if (!text || WindowText() == *text) return;
  settingText_ = true;
  SetWindowTextW(hwnd(), Wide(*text).c_str());
  settingText_ = false;
}

void ChildPeer::SetStyleBits(LONG_PTR mask, LONG_PTR bits) {
  LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  SetWindowLongPtrW(hwnd(), GWL_STYLE, (style & ~mask) | bits);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

LRESULT CALLBACK ChildPeer::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<ChildPeer*>(data);
  LRESULT result = 0;
  bool handled = false;
  SafeCall([&] { handled = self->Handle(msg, wParam, lParam, result); });
  return handled ? result : DefSubclassProc(hwnd, msg, wParam, lParam);
}

bool ChildPeer::Handle(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  Control& c = control_;
  switch (msg) {
    case WM_KEYDOWN: {
      int key = static_cast<int>(wParam);
      if (!c.KeyDown(key, ShiftState())) return true;
      if (key != static_cast<int>(wParam)) {
        result = Default(msg, static_cast<WPARAM>(key), lParam);
        return true;
      }
      return false;
    }
    case WM_CHAR: {
      char16_t ch = static_cast<char16_t>(wParam);
      if (!c.KeyPress(ch)) return true;
      if (ch != static_cast<char16_t>(wParam)) {
        result = Default(msg, ch, lParam);
        return true;
      }
      return false;
    }
    case WM_SETFOCUS:
      result = Default(msg, wParam, lParam);
      c.FocusEntered();
      return true;
    case WM_KILLFOCUS:
      result = Default(msg, wParam, lParam);
      c.FocusLeft();
      return true;
    case WM_MOUSEWHEEL: {
      Form* form = c.OwnerForm();
      Point screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      int delta = GET_WHEEL_DELTA_WPARAM(wParam);
      bool used = form ? form->DispatchMouseWheel(c, ShiftState(), delta, screen) : c.DoMouseWheel(ShiftState(), delta, screen);
      return used;  // unused: the control's own wheel treatment
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      bool handled = Pressed(msg, wParam, lParam, result);
      c.MouseDown(msg == WM_LBUTTONDOWN ? MouseButton::Left : MouseButton::Right, ShiftState(), GET_X_LPARAM(lParam),
                  GET_Y_LPARAM(lParam));
      return handled;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && c.GetCursor() != Cursor::Default) {
        ::SetCursor(CursorFor(c.GetCursor()));
        result = TRUE;
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace ui::win32
