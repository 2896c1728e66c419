#include <windows.h>
#include <shellapi.h>

#include <set>

#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_services.h"

namespace win32 {

namespace {

HWND Hwnd(platform::WindowHandle window) { return reinterpret_cast<HWND>(window); }

}  // namespace

unsigned ZOrderFlags(platform::ZOrderKeep why) {
  const unsigned still = SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE;
  return why == platform::ZOrderKeep::AtTick ? still | SWP_FRAMECHANGED : still;
}

unsigned MessageBoxFlags(platform::MessageIcon icon) {
  return icon == platform::MessageIcon::Error ? MB_ICONERROR : MB_OK;
}

int ShowCommandValue(platform::ShowCommand show) {
  switch (show) {
    case platform::ShowCommand::Hide: return SW_HIDE;
    case platform::ShowCommand::Normal: return SW_SHOWNORMAL;
    case platform::ShowCommand::Show: break;
  }
  return SW_SHOW;
}

namespace {

class Process : public platform::Process {
 public:
  bool MutexExists(const std::string& name) override {
    HANDLE h = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, Wide(name).c_str());
    if (!h) return false;
    CloseHandle(h);
    return true;
  }
  bool CreateNamedMutex(const std::string& name) override {
    // Held, never closed: the system releases it with the process, and a second copy
    // started at any time before that finds it.
    mutex_ = CreateMutexW(nullptr, FALSE, Wide(name).c_str());
    return !(mutex_ && GetLastError() == ERROR_ALREADY_EXISTS);
  }
  void SetThreadLocale(std::uint32_t lcid) override { ::SetThreadLocale(lcid); }
  bool LowerPriority() override {
    HANDLE h = OpenProcess(PROCESS_SET_INFORMATION, FALSE, GetCurrentProcessId());
    if (!h) return false;
    SetPriorityClass(h, BELOW_NORMAL_PRIORITY_CLASS);
    CloseHandle(h);
    return true;
  }
  bool ShellOpen(platform::WindowHandle owner, const std::string& file, const std::string& parameters,
                 const std::string& folder, platform::ShowCommand show) override {
    const std::wstring f = Wide(file), p = Wide(parameters), d = Wide(folder);
    const HINSTANCE result = ShellExecuteW(Hwnd(owner), L"open", f.c_str(), p.empty() ? nullptr : p.c_str(),
                                           d.empty() ? nullptr : d.c_str(), ShowCommandValue(show));
    return reinterpret_cast<INT_PTR>(result) > 32;
  }

 private:
  HANDLE mutex_ = nullptr;
};

class WindowSystem : public platform::WindowSystem {
 public:
  platform::Rect WorkArea() const override {
    RECT r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return {r.left, r.top, r.right, r.bottom};
  }
  void SetWindowPosBottom(platform::WindowHandle window, platform::ZOrderKeep why) override {
    SetWindowPos(Hwnd(window), HWND_BOTTOM, 0, 0, 0, 0, ZOrderFlags(why));
  }
  void LockWindowUpdate(platform::WindowHandle window) override { ::LockWindowUpdate(Hwnd(window)); }
  std::uint32_t GetExStyle(platform::WindowHandle window) const override {
    return static_cast<std::uint32_t>(GetWindowLongW(Hwnd(window), GWL_EXSTYLE));
  }
  void SetExStyle(platform::WindowHandle window, std::uint32_t exStyle) override {
    SetWindowLongW(Hwnd(window), GWL_EXSTYLE, static_cast<LONG>(exStyle));
  }
  void StartSystemMove(platform::WindowHandle window) override {
    ReleaseCapture();
    SendMessageW(Hwnd(window), WM_SYSCOMMAND, 0xF012, 0);
  }
  void SetForegroundWindow(platform::WindowHandle window) override { ::SetForegroundWindow(Hwnd(window)); }
  platform::Point CursorPos() const override {
    POINT p{};
    GetCursorPos(&p);
    return {p.x, p.y};
  }
  void HideWindow(platform::WindowHandle window) override { ShowWindow(Hwnd(window), SW_HIDE); }
  void InvalidateRect(platform::WindowHandle window, bool erase) override {
    ::InvalidateRect(Hwnd(window), nullptr, erase ? TRUE : FALSE);
  }
  bool AddFontFromResource(int id) override {
    // Each call would install another copy of the face: a font is installed once per process.
    if (installedFonts_.count(id)) return true;
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(8) /* RT_FONT */);
    if (!res) return false;
    HGLOBAL loaded = LoadResource(nullptr, res);
    const DWORD size = SizeofResource(nullptr, res);
    void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0) return false;
    DWORD installed = 0;
    // Never removed: the label may use the face until the process ends.
    if (!AddFontMemResourceEx(data, size, nullptr, &installed)) return false;
    installedFonts_.insert(id);
    return true;
  }
  int DpiForWindow(platform::WindowHandle window) const override {
    // GetDpiForWindow exists from Windows 10 1607; look it up so older loaders still start.
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (fn && window) {
      const UINT dpi = fn(Hwnd(window));
      if (dpi) return static_cast<int>(dpi);
    }
    const int dpi = GetDeviceCaps(WindowDC(nullptr).get(), LOGPIXELSX);
    return dpi > 0 ? dpi : 96;
  }
  int ShowMessageBox(const std::string& text, const std::string& title, platform::MessageIcon icon) override {
    return MessageBoxW(nullptr, Wide(text).c_str(), Wide(title).c_str(), MessageBoxFlags(icon));
  }

 private:
  std::set<int> installedFonts_;  // resource ids of the faces installed so far
};

}  // namespace

std::unique_ptr<platform::Process> MakeProcess() { return std::make_unique<Process>(); }
std::unique_ptr<platform::WindowSystem> MakeWindowSystem() { return std::make_unique<WindowSystem>(); }

}  // namespace win32
