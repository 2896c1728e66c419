#include <windows.h>
#include <commctrl.h>
#include <dwmapi.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "platform/ui/win32/peers.h"
#include "platform/ui/win32/styled_controls.h"
#include "platform/ui/win32/tray_peer.h"
#include "platform/ui/win32/win32_ui.h"

namespace ui::win32 {

namespace {
Backend* g_instance = nullptr;
std::function<void(const std::string&, const std::string&)> g_errorHook;
Backend::ShellNotify g_shellNotifyHook;
}  // namespace

// The application's own hidden top-level window: timers, tray callbacks, queued steps.
// It is never shown, so the program has no taskbar button of its own.
class AppWindow : public Window {
 public:
  explicit AppWindow(Backend& backend) : backend_(backend) {
    Create("Cifrona", L"CifronaApplication", 0, WS_EX_TOOLWINDOW, WS_POPUP, L"Cifrona", 0, 0, 0, 0, nullptr, nullptr);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_TIMER && wParam >= Backend::kTrayRetryTimer) {
      auto it = backend_.trays_.find(static_cast<UINT>(wParam - Backend::kTrayRetryTimer));
      if (it != backend_.trays_.end())
        if (auto* peer = dynamic_cast<TrayPeer*>(it->second->GetPeer())) SafeCall([&] { peer->Retry(); });
      return 0;
    }
    if (msg == WM_TIMER) {
      auto it = backend_.timers_.find(wParam);
      if (it != backend_.timers_.end()) {
        Timer* timer = it->second;
        SafeCall([&] { timer->Tick(); });
      }
      return 0;
    }
    if (msg == Backend::kWakeMessage) {
      if (Application* app = Application::Current()) app->RunQueued();
      return 0;
    }
    if (msg == Backend::kTrayMessage) {
      auto it = backend_.trays_.find(static_cast<UINT>(wParam));
      if (it == backend_.trays_.end()) return 0;
      TrayIcon* icon = it->second;
      POINT pt;
      GetCursorPos(&pt);
      Point p{pt.x, pt.y};
      switch (LOWORD(lParam)) {
        case WM_MOUSEMOVE: SafeCall([&] { icon->MouseMoved(p); }); break;
        case WM_RBUTTONUP: SafeCall([&] { icon->ButtonUp(MouseButton::Right, p); }); break;
        case WM_LBUTTONUP: SafeCall([&] { icon->ButtonUp(MouseButton::Left, p); }); break;
        case WM_LBUTTONDBLCLK: SafeCall([&] { icon->DoubleClicked(); }); break;
        default: break;
      }
      return 0;
    }
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
      // The shell restarted: every icon must be added again.
      for (auto& [id, icon] : backend_.trays_)
        if (auto* peer = dynamic_cast<TrayPeer*>(icon->GetPeer())) peer->Readd();
      return 0;
    }
    return Window::HandleMessage(msg, wParam, lParam);
  }

 private:
  Backend& backend_;
  UINT taskbarCreated_ = 0;
};

Backend::Backend() {
  g_instance = this;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS |
                                           ICC_TAB_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  appWindow_ = std::make_unique<AppWindow>(*this);
  // A new style reaches every window of the program at once: frames, title bars and
  // every child window, shown or hidden.
  StyleManager::Instance().OnChange = [this] {
    std::vector<HWND> windows;
    for (const auto& [hwnd, form] : forms_) windows.push_back(hwnd);
    styled::StyleChanged(windows);
  };
}

Backend::~Backend() {
  StyleManager::Instance().OnChange = nullptr;
  appWindow_.reset();
  if (g_instance == this) g_instance = nullptr;
}

Backend& Backend::Instance() { return *g_instance; }

void Backend::SetErrorBoxHookForTests(std::function<void(const std::string&, const std::string&)> hook) {
  g_errorHook = std::move(hook);
}

void Backend::SetShellNotifyHookForTests(ShellNotify hook) { g_shellNotifyHook = std::move(hook); }

BOOL Backend::ShellNotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
  return g_shellNotifyHook ? g_shellNotifyHook(message, data) : Shell_NotifyIconW(message, data);
}

HWND Backend::AppHwnd() const { return appWindow_ ? appWindow_->hwnd() : nullptr; }
std::uintptr_t Backend::ApplicationHandle() const { return reinterpret_cast<std::uintptr_t>(AppHwnd()); }

bool Backend::HighContrast() const {
  HIGHCONTRASTW hc{sizeof hc, 0, nullptr};
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}

int Backend::DefaultDpi() const {
  // The program is per-monitor aware: the system DPI is the primary monitor's at start.
  UINT dpi = GetDpiForSystem();
  return dpi ? static_cast<int>(dpi) : 96;
}

COLORREF Backend::ToColorRef(Color c) {
  if (c < 0) return GetSysColor(c & 0xFF);
  return static_cast<COLORREF>(c & 0xFFFFFF);
}

HFONT Backend::FontFor(const Font& font, int dpi) {
  std::wstring key = Wide(font.name) + L"|" + std::to_wstring(font.size) + L"|" + std::to_wstring(dpi) + L"|" +
                     std::to_wstring(font.bold) + std::to_wstring(font.italic) + std::to_wstring(font.underline);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second.get();
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(font.size, dpi, 72);
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = CLEARTYPE_NATURAL_QUALITY;
  std::wstring face = Wide(font.name);
  wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  HFONT h = CreateFontIndirectW(&lf);
  fonts_.emplace(key, GdiObject<HFONT>(h));
  return h;
}

HBRUSH Backend::BrushFor(COLORREF color) {
  auto it = brushes_.find(color);
  if (it != brushes_.end()) return it->second.get();
  HBRUSH b = CreateSolidBrush(color);
  brushes_.emplace(color, GdiObject<HBRUSH>(b));
  return b;
}

HICON Backend::IconFor(const std::string& resource, int side) {
  std::pair<std::wstring, int> key{Wide(resource), side};
  auto it = icons_.find(key);
  if (it != icons_.end()) return it->second.get();
  HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), key.first.c_str(), IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
  icons_.emplace(std::move(key), UniqueIcon(icon));  // a missing one too: it is not looked for again
  return icon;
}

UINT_PTR Backend::AddTimerTarget(Timer* timer) {
  UINT_PTR id = nextTimer_++;
  timers_[id] = timer;
  return id;
}

void Backend::RemoveTimerTarget(UINT_PTR id) {
  if (AppHwnd()) KillTimer(AppHwnd(), id);
  timers_.erase(id);
}

UINT Backend::AddTrayTarget(TrayIcon* icon) {
  UINT id = nextTray_++;
  trays_[id] = icon;
  return id;
}

void Backend::RemoveTrayTarget(UINT id) { trays_.erase(id); }

void Backend::RegisterForm(HWND hwnd, Form* form) { forms_[hwnd] = form; }
void Backend::UnregisterForm(HWND hwnd) { forms_.erase(hwnd); }
Form* Backend::FormOf(HWND hwnd) const {
  auto it = forms_.find(hwnd);
  return it == forms_.end() ? nullptr : it->second;
}

bool Backend::PreTranslate(MSG& msg) {
  // Keyboard navigation of dialogs: Tab in definition order, Enter the default button,
  // Esc cancel or close. The borderless widget has no keyboard interface.
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND top = GetAncestor(msg.hwnd, GA_ROOT);
  Form* form = FormOf(top);
  if (!form || form->GetBorderStyle() == BorderStyle::None) return false;
  return IsDialogMessageW(top, &msg) != FALSE;
}

void Backend::Run(Application& app) {
  MSG msg;
  while (!app.Terminated()) {
    BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r <= 0) break;
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void Backend::ProcessMessages(Application& app) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave it for the loop that owns it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  app.RunQueued();
}

void Backend::Terminate() { PostQuitMessage(0); }

void Backend::WakeUp() {
  if (HWND h = AppHwnd()) PostMessageW(h, kWakeMessage, 0, 0);
}

void Backend::ShowErrorBox(const std::string& title, const std::string& text) {
  if (g_errorHook) {
    g_errorHook(title, text);
    return;
  }
  MessageBoxW(nullptr, Wide(text).c_str(), Wide(title).c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

int Backend::TextWidth(const Control& control, const std::string& text) {
  Form* form = control.OwnerForm();
  int dpi = form ? form->Dpi() : DefaultDpi();
  WindowDC screen(nullptr);
  std::wstring w = Wide(text);
  SIZE size{};
  Selected font(screen.get(), FontFor(StyleManager::Instance().FontOf(control), dpi));
  GetTextExtentPoint32W(screen.get(), w.c_str(), static_cast<int>(w.size()), &size);
  return size.cx;
}

Point Backend::CursorPos() const {
  POINT p{};
  GetCursorPos(&p);
  return {p.x, p.y};
}

void Backend::ForegroundApplication() {
  if (HWND h = AppHwnd()) SetForegroundWindow(h);
}

std::unique_ptr<Peer> Backend::CreatePeer(Component& c) { return MakePeer(*this, c); }

std::unique_ptr<Peer> MakePeer(Backend& backend, Component& c) {
  switch (c.GetKind()) {
    case Kind::Form: return MakeFormPeer(backend, static_cast<Form&>(c));
    case Kind::GroupBox: return MakeGroupBoxPeer(backend, static_cast<GroupBox&>(c));
    case Kind::TabControl: return MakePanelPeer(backend, static_cast<TabControl&>(c));
    case Kind::Label:
    case Kind::Image: return MakeLightPeer(static_cast<Control&>(c));
    case Kind::Button: return MakeButtonPeer(backend, static_cast<Button&>(c));
    case Kind::CheckBox: return MakeCheckBoxPeer(backend, static_cast<CheckBox&>(c));
    case Kind::RadioButton: return MakeRadioButtonPeer(backend, static_cast<RadioButton&>(c));
    case Kind::SpinEdit: return MakeSpinEditPeer(backend, static_cast<SpinEdit&>(c));
    case Kind::TrackBar: return MakeTrackBarPeer(backend, static_cast<TrackBar&>(c));
    case Kind::ComboBox: return MakeComboBoxPeer(backend, static_cast<ComboBox&>(c));
    case Kind::ColorBox: return MakeColorBoxPeer(backend, static_cast<ColorBox&>(c));
    case Kind::ProgressBar: return MakeProgressBarPeer(backend, static_cast<ProgressBar&>(c));
    case Kind::PopupMenu: return MakeMenuPeer(static_cast<PopupMenu&>(c));
    case Kind::Timer: return MakeTimerPeer(backend, static_cast<Timer&>(c));
    case Kind::TrayIcon: return MakeTrayPeer(backend, static_cast<TrayIcon&>(c));
    default: return nullptr;
  }
}

}  // namespace ui::win32
