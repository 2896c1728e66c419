// The Win32 backend of the toolkit: forms as top-level windows painted in one pass
// through a back buffer, labels and images drawn by their container, common controls v6
// for the dialog controls, popup menus, timers on the application's hidden window and
// the notification-area icon. UTF-16 lives only in this folder.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/ui/ui.h"
#include "platform/ui/win32/window.h"

namespace ui::win32 {

class AppWindow;

class Backend : public ui::Backend {
 public:
  Backend();
  ~Backend() override;

  // Tests replace the modal MessageBoxW of the error box with this.
  static void SetErrorBoxHookForTests(std::function<void(const std::string& title, const std::string& text)> hook);
  // Tests stand in for the shell's notification area (a busy shell, above all).
  using ShellNotify = std::function<BOOL(DWORD message, NOTIFYICONDATAW* data)>;
  static void SetShellNotifyHookForTests(ShellNotify hook);
  // Shell_NotifyIconW, or the tests' stand-in.
  static BOOL ShellNotifyIcon(DWORD message, NOTIFYICONDATAW* data);

  std::unique_ptr<Peer> CreatePeer(Component& component) override;
  void Run(Application& app) override;
  void ProcessMessages(Application& app) override;
  void Terminate() override;
  void WakeUp() override;
  void ShowErrorBox(const std::string& title, const std::string& text) override;
  int TextWidth(const Control& control, const std::string& text) override;
  Point CursorPos() const override;
  void ForegroundApplication() override;
  std::uintptr_t ApplicationHandle() const override;
  int DefaultDpi() const override;
  bool HighContrast() const override;

  // Shared GDI resources, owned here.
  HFONT FontFor(const Font& font, int dpi);
  HBRUSH BrushFor(COLORREF color);
  // An icon resource at a size, loaded on first use and kept; nullptr when there is none.
  HICON IconFor(const std::string& resource, int side);
  static COLORREF ToColorRef(Color c);

  // Timers and tray icons register with the application window for their messages.
  UINT_PTR AddTimerTarget(Timer* timer);
  void RemoveTimerTarget(UINT_PTR id);
  UINT AddTrayTarget(TrayIcon* icon);
  void RemoveTrayTarget(UINT id);
  // The application window's private messages: queued work waits, and a tray icon's
  // call-back (wParam the icon's id, lParam the mouse message).
  static constexpr UINT kWakeMessage = WM_APP + 1;
  static constexpr UINT kTrayMessage = WM_APP + 2;
  // Timer ids of the application window from here on retry a tray icon (plus its id).
  static constexpr UINT_PTR kTrayRetryTimer = 0x7F000000;
  // How long a tray icon waits before asking a busy shell again.
  static constexpr UINT kTrayRetryMs = 3000;
  HWND AppHwnd() const;
  static Backend& Instance();

  // The top-level windows of our forms (for the dialog keys of the message loop).
  void RegisterForm(HWND hwnd, Form* form);
  void UnregisterForm(HWND hwnd);
  Form* FormOf(HWND hwnd) const;
  bool PreTranslate(MSG& msg);

 private:
  friend class AppWindow;
  std::unique_ptr<AppWindow> appWindow_;
  std::map<std::wstring, GdiObject<HFONT>> fonts_;
  std::map<COLORREF, GdiObject<HBRUSH>> brushes_;
  std::map<std::pair<std::wstring, int>, UniqueIcon> icons_;
  std::map<UINT_PTR, Timer*> timers_;
  std::map<UINT, TrayIcon*> trays_;
  std::map<HWND, Form*> forms_;
  UINT_PTR nextTimer_ = 1;
  UINT nextTray_ = 1;
};

}  // namespace ui::win32
