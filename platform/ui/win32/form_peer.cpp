// The form: a top-level window (the widget, the dialogs) holding its controls.
#include <windows.h>
#include <dwmapi.h>
#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "platform/ui/win32/child_peer.h"
#include "platform/ui/win32/container_peer.h"
#include "platform/ui/win32/light_peers.h"
#include "platform/ui/win32/peers.h"
#include "platform/ui/win32/styled_controls.h"
#include "platform/ui/win32/tooltips.h"
#include "platform/ui/win32/win32_ui.h"

namespace ui::win32 {

namespace {

struct ForwardedMessage {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// A named CALLBACK, not a lambda: 32-bit Windows calls it as stdcall.
BOOL CALLBACK ForwardToChild(HWND child, LPARAM data) {
  const auto* m = reinterpret_cast<const ForwardedMessage*>(data);
  SendMessageW(child, m->msg, m->wParam, m->lParam);
  return TRUE;
}

// Sends a message to every descendant window (EnumChildWindows walks them all).
void ForwardToChildren(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam) {
  ForwardedMessage m{msg, wParam, lParam};
  EnumChildWindows(parent, &ForwardToChild, reinterpret_cast<LPARAM>(&m));
}

// The window-corner preference of Windows 11's window manager (dwmapi.h of newer SDKs).
constexpr DWORD kDwmWindowCornerPreference = 33;  // DWMWA_WINDOW_CORNER_PREFERENCE
constexpr DWORD kCornerDoNotRound = 1;            // DWMWCP_DONOTROUND
constexpr DWORD kCornerRound = 2;                 // DWMWCP_ROUND

void SetCorners(HWND hwnd, DWORD preference) {
  DwmSetWindowAttribute(hwnd, kDwmWindowCornerPreference, &preference, sizeof preference);
}

class FormPeer final : public ContainerPeer {
 public:
  FormPeer(Backend& backend, Form& form) : ContainerPeer(backend, form), form_(&form) { CreateTopLevel(); }

  ~FormPeer() override {
    if (hwnd()) {
      ForgetTooltip(hwnd());
      backend().UnregisterForm(hwnd());
    }
    if (modalDisabled_) ReenableOthers();
  }

  void BringToFront() override {
    if (!NoActivate()) SetForegroundWindow(hwnd());
    // A window that never takes the focus is raised without being activated.
    else SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  void Changed(Change what) override {
    if (!hwnd()) return;
    switch (what) {
      case Change::Text:
        SetWindowTextW(hwnd(), Wide(form_->Caption()).c_str());
        break;
      case Change::Bounds:
        if (!reporting_) PlaceWindow();
        break;
      case Change::Visible:
        ShowForm();
        break;
      case Change::Style:
        ApplyLayering();
        InvalidateRect(hwnd(), nullptr, FALSE);
        break;
      default:
        ContainerPeer::Changed(what);
        break;
    }
  }

  void RunModal() override {
    Application* app = Application::Current();
    DisableOthers();
    MSG msg;
    while (form_->ModalResult() == kMrNone && !(app && app->Terminated())) {
      BOOL r = GetMessageW(&msg, nullptr, 0, 0);
      if (r <= 0) {
        PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
        break;
      }
      if (!backend().PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    ReenableOthers();
  }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (auto answer = form_->RawMessage(msg, wParam, static_cast<std::intptr_t>(lParam))) return static_cast<LRESULT>(*answer);
    if (auto result = ContainerMessage(msg, wParam, lParam)) return *result;
    LRESULT result = 0;
    if (FormMessage(msg, wParam, lParam, result)) return result;
    return Window::HandleMessage(msg, wParam, lParam);
  }

  COLORREF Background() const override {
    return form_->GetColor() != kClDefault ? Backend::ToColorRef(form_->GetColor()) : ContainerPeer::Background();
  }

 private:
  DWORD FormStyle() const {
    DWORD style = WS_CLIPCHILDREN;
    switch (form_->GetBorderStyle()) {
      case BorderStyle::None: style |= WS_POPUP; break;
      case BorderStyle::Single: style |= WS_POPUP | WS_CAPTION | WS_BORDER; break;
      case BorderStyle::Dialog: style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME; break;
      case BorderStyle::Sizeable: style |= WS_OVERLAPPEDWINDOW; break;
    }
    if (form_->GetBorderStyle() != BorderStyle::None && form_->SystemMenu()) style |= WS_SYSMENU;
    return style;
  }

  DWORD FormExStyle(const CreateParams& params) const {
    DWORD ex = params.exStyle | WS_EX_CONTROLPARENT;
    if (form_->GetBorderStyle() == BorderStyle::Dialog) ex |= WS_EX_DLGMODALFRAME;
    if (form_->TransparentColor() || form_->AlphaBlend()) ex |= WS_EX_LAYERED;
    return ex;
  }

  RECT WindowRectFor(DWORD style, DWORD ex) const {
    RECT r{0, 0, form_->ClientWidth(), form_->ClientHeight()};
    AdjustWindowRectExForDpi(&r, style, FALSE, ex, static_cast<UINT>(form_->Dpi()));
    // The smallest outer size holds at creation too, where WM_GETMINMAXINFO comes before the
    // window is ours and popups are never clamped: a thin frame grows the client area instead.
    r.right = std::max(r.right, r.left + form_->MinWidth());
    r.bottom = std::max(r.bottom, r.top + form_->MinHeight());
    OffsetRect(&r, form_->Left() - r.left, form_->Top() - r.top);
    return r;
  }

  void CreateTopLevel() {
    CreateParams params;
    form_->CreateParams(params);
    DWORD style = FormStyle();
    DWORD ex = FormExStyle(params);
    RECT r = WindowRectFor(style, ex);
    HWND owner = params.owner == CreateParams::Owner::Desktop ? GetDesktopWindow() : backend().AppHwnd();
    Create(form_->Name(), L"CifronaForm", CS_DBLCLKS, ex, style, Wide(form_->Caption()), r.left, r.top, r.right - r.left, r.bottom - r.top,
           owner, nullptr);
    backend().RegisterForm(hwnd(), form_);
    ApplyLayering();
    styled::ApplyTitleBar(hwnd());
    // Rounded corners where the system offers them (Windows 11); elsewhere nothing happens.
    if (form_->GetBorderStyle() != BorderStyle::None) SetCorners(hwnd(), form_->RoundedCorners() ? kCornerRound : kCornerDoNotRound);
    else if (!form_->RoundedCorners()) SetCorners(hwnd(), kCornerDoNotRound);
    ReportBounds();
  }

  void ApplyLayering() {
    LONG_PTR ex = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
    bool layered = form_->TransparentColor() || form_->AlphaBlend();
    if (layered != ((ex & WS_EX_LAYERED) != 0))
      SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, layered ? (ex | WS_EX_LAYERED) : (ex & ~WS_EX_LAYERED));
    if (!layered) return;
    DWORD flags = (form_->TransparentColor() ? LWA_COLORKEY : 0) | (form_->AlphaBlend() ? LWA_ALPHA : 0);
    SetLayeredWindowAttributes(hwnd(), Backend::ToColorRef(form_->TransparentColorValue()),
                               static_cast<BYTE>(form_->AlphaBlendValue()), flags);
  }

  void PlaceWindow() {
    LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE), ex = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
    RECT r = WindowRectFor(static_cast<DWORD>(style), static_cast<DWORD>(ex));
    SetWindowPos(hwnd(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  bool NoActivate() const { return (GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) & WS_EX_NOACTIVATE) != 0; }

  void ReportBounds() {
    RECT w, c;
    GetWindowRect(hwnd(), &w);
    GetClientRect(hwnd(), &c);
    reporting_ = true;
    form_->WindowMoved({w.left, w.top, w.right, w.bottom}, c.right, c.bottom);
    reporting_ = false;
  }

  void ShowForm() {
    if (!form_->Visible()) {
      ShowWindow(hwnd(), SW_HIDE);
      return;
    }
    if (form_->Position() == FormPosition::ScreenCenter && !centred_) {
      centred_ = true;
      RECT work;
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
      RECT r;
      GetWindowRect(hwnd(), &r);
      int w = r.right - r.left, h = r.bottom - r.top;
      SetWindowPos(hwnd(), nullptr, work.left + (work.right - work.left - w) / 2, work.top + (work.bottom - work.top - h) / 2,
                   0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(hwnd(), NoActivate() || form_->GetBorderStyle() == BorderStyle::None ? SW_SHOWNA : SW_SHOW);
    UpdateWindow(hwnd());
  }

  void DisableOthers() {
    for (auto* f : Application::Current() ? Application::Current()->Forms() : std::vector<Form*>{}) {
      if (f == form_ || !f->GetPeer()) continue;
      HWND h = reinterpret_cast<HWND>(f->GetPeer()->Handle());
      if (IsWindowVisible(h) && IsWindowEnabled(h)) {
        EnableWindow(h, FALSE);
        disabled_.push_back(h);
      }
    }
    modalDisabled_ = true;
  }

  void ReenableOthers() {
    for (HWND h : disabled_)
      if (IsWindow(h)) EnableWindow(h, TRUE);
    disabled_.clear();
    modalDisabled_ = false;
  }

  bool FormMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
      case WM_CLOSE:
        form_->Close();
        return true;
      case WM_ACTIVATE:
        // The keyboard goes back where it was when the window was last left, or to the
        // first control a Tab would reach, so a dialog is usable from the keyboard at once.
        if (LOWORD(wParam) == WA_INACTIVE) {
          if (HWND f = GetFocus(); f && IsChild(hwnd(), f)) lastFocus_ = f;
          return false;
        }
        if (HWND f = GetFocus(); f && IsChild(hwnd(), f)) return false;
        if (HWND target = lastFocus_ && IsChild(hwnd(), lastFocus_) ? lastFocus_ : GetNextDlgTabItem(hwnd(), nullptr, FALSE)) {
          ::SetFocus(target);
          result = 0;
          return true;
        }
        return false;
      case WM_MOVING: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        Rect rect{r->left, r->top, r->right, r->bottom};
        form_->Moving(rect);
        *r = {rect.left, rect.top, rect.right, rect.bottom};
        result = TRUE;
        return true;
      }
      case WM_MOUSEACTIVATE:
        // A window that must never take the focus is not activated by a click (Windows
        // does this itself; Wine's default activates it).
        if (!NoActivate()) return false;
        result = MA_NOACTIVATE;
        return true;
      case WM_WINDOWPOSCHANGING:
        PositionChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
        return false;
      case WM_WINDOWPOSCHANGED:
        result = Window::HandleMessage(msg, wParam, lParam);
        ReportBounds();
        return true;
      case WM_EXITSIZEMOVE:
        result = Window::HandleMessage(msg, wParam, lParam);
        form_->ExitSizeMove();
        return true;
      case WM_SETTINGCHANGE:
        form_->SystemSettingChanged(wParam == SPI_SETWORKAREA ? SystemSetting::WorkArea : SystemSetting::Other,
                             lParam ? Narrow(reinterpret_cast<const wchar_t*>(lParam)) : std::string());
        return false;
      case WM_SYSCOLORCHANGE:
        // High contrast switched comes with new system colours.
        FollowSystemContrast();
        // Only top-level windows are told; common controls cache system colours and
        // brushes, so they must hear it from their parent.
        ForwardToChildren(hwnd(), msg, wParam, lParam);
        return false;
      case WM_DPICHANGED: {
        form_->DpiChanged(LOWORD(wParam));
        auto* r = reinterpret_cast<RECT*>(lParam);
        SetWindowPos(hwnd(), nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return true;
      }
      case WM_GETMINMAXINFO: {
        auto* mm = reinterpret_cast<MINMAXINFO*>(lParam);
        if (form_->MinWidth() > 0) mm->ptMinTrackSize.x = form_->MinWidth();
        if (form_->MinHeight() > 0) mm->ptMinTrackSize.y = form_->MinHeight();
        return true;
      }
      case DM_GETDEFID:
        if (Button* b = form_->DefaultButton(); b && b->GetPeer()) {
          result = MAKELRESULT(ChildPeer::IdOf(*b), DC_HASDEFID);
          return true;
        }
        return false;
      case WM_CONTEXTMENU: {
        PopupMenu* menu = form_->GetPopupMenu();
        if (!menu || !menu->AutoPopup()) return false;
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (lParam == -1) GetCursorPos(&p);
        POINT client = p;
        ScreenToClient(hwnd(), &client);
        Control* target = LightAt(*form_, client);
        menu->SetPopupComponent(target ? static_cast<Component*>(target) : form_);
        menu->Popup(p.x, p.y);
        return true;
      }
      default:
        return false;
    }
  }

  void PositionChanging(WINDOWPOS& pos) {
    // Nor by a move: the system's move loop repositions without SWP_NOACTIVATE, which
    // activates the window and raises it to the top. Under Wine's X11 driver an active
    // window also becomes a managed one, re-mapped on the spot, and the re-mapping ends
    // the pointer grab, so a drag would stop after its first step.
    if (NoActivate()) pos.flags |= SWP_NOACTIVATE;
    if (!form_->ScreenSnap() || (pos.flags & SWP_NOMOVE)) return;
    RECT now;
    GetWindowRect(hwnd(), &now);
    bool sameSize = (pos.flags & SWP_NOSIZE) || (pos.cx == now.right - now.left && pos.cy == now.bottom - now.top);
    if (!sameSize) return;
    int w = now.right - now.left, h = now.bottom - now.top;
    RECT target{pos.x, pos.y, pos.x + w, pos.y + h};
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromRect(&target, MONITOR_DEFAULTTONEAREST), &mi);
    Rect snapped = SnapToWorkArea({target.left, target.top, target.right, target.bottom},
                                  {mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom}, form_->SnapBuffer());
    pos.x = snapped.left;
    pos.y = snapped.top;
  }

  Form* form_;
  bool reporting_ = false;
  bool centred_ = false;
  bool modalDisabled_ = false;
  std::vector<HWND> disabled_;
  HWND lastFocus_ = nullptr;  // the control that had the keyboard when the form was left
};

}  // namespace

std::unique_ptr<Peer> MakeFormPeer(Backend& backend, Form& form) { return std::make_unique<FormPeer>(backend, form); }

}  // namespace ui::win32
