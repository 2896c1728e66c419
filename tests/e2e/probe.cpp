// A small probe for the end-to-end tests: reports the top-level windows of a process
// by executable name, and makes ordinary windows to stack above others.
//
//   probe windows NAME.exe     one line per top-level window of that program:
//                              hwnd class caption style exstyle layered key alpha flags
//                              rect visible zorder owner taskbar
//   probe cover L T W H SECS   shows a plain window there for SECS seconds
//   probe keyed L T W H SECS   a reference colour-keyed layered window (grey key, white square
//                              in the middle) for SECS seconds: shows whether this system
//                              lets the desktop through a colour key at all
//   probe settingchange        tells every top-level window that a setting changed, as
//                              Windows does when the taskbar or the apps change theme
//   probe top NAME.exe         brings that program's first visible window to the front
//   probe workarea             the primary monitor's work area: L T R B
//   probe children NAME.exe    one line per child window of that program's windows:
//                              top-level caption, class, text, screen rect, and the control's
//                              state (check box tick, slider position, list index)
//   probe idle HWND            returns once the thread of that window (as "windows" prints it)
//                              has handled the input sent to it before: exit code 0, or 1
//                              after 20 seconds
//   probe mutex NAME           exit code 0 when a mutex of that name exists in this logon (as
//                              the program's single-copy check sees it), 1 when not
//   probe hold PATH SECS       holds that file open without sharing for SECS seconds, as an
//                              editor would; prints "held" once it is open
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
  return s;
}

std::wstring ImageName(DWORD pid) {
  HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!p) return L"";
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  QueryFullProcessImageNameW(p, 0, path, &size);
  CloseHandle(p);
  const wchar_t* slash = wcsrchr(path, L'\\');
  return slash ? slash + 1 : path;
}

struct Found {
  HWND hwnd;
  int z;
};

std::vector<Found> WindowsOf(const wchar_t* exe) {
  std::vector<Found> found;
  int z = 0;
  // Top-level windows come in z-order, topmost first.
  for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT), ++z) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (_wcsicmp(ImageName(pid).c_str(), exe) == 0) found.push_back({h, z});
  }
  return found;
}

int ListWindows(const wchar_t* exe) {
  for (const auto& f : WindowsOf(exe)) {
    wchar_t cls[256] = {}, caption[512] = {};
    GetClassNameW(f.hwnd, cls, 256);
    GetWindowTextW(f.hwnd, caption, 512);
    const LONG style = GetWindowLongW(f.hwnd, GWL_STYLE), ex = GetWindowLongW(f.hwnd, GWL_EXSTYLE);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    const BOOL layered = GetLayeredWindowAttributes(f.hwnd, &key, &alpha, &flags);
    RECT r{};
    GetWindowRect(f.hwnd, &r);
    const HWND owner = GetWindow(f.hwnd, GW_OWNER);
    const bool visible = IsWindowVisible(f.hwnd);
    // The shell gives a button to visible windows that are app windows, or unowned non-tool windows.
    const bool taskbar = visible && ((ex & WS_EX_APPWINDOW) || (!owner && !(ex & WS_EX_TOOLWINDOW)));
    std::printf("hwnd=%p class=%s caption=\"%s\" style=0x%08lX exstyle=0x%08lX layered=%d key=0x%06lX alpha=%u "
                "flags=%lu rect=%ld,%ld,%ld,%ld visible=%d zorder=%d owner=%p desktop_owner=%d taskbar=%d\n",
                (void*)f.hwnd, Utf8(cls).c_str(), Utf8(caption).c_str(), (unsigned long)style, (unsigned long)ex,
                layered ? 1 : 0, (unsigned long)key, alpha, (unsigned long)flags, r.left, r.top, r.right, r.bottom,
                visible ? 1 : 0, f.z, (void*)owner, owner == GetDesktopWindow() ? 1 : 0, taskbar ? 1 : 0);
  }
  std::fflush(stdout);
  return 0;
}

// A plain window of a class of its own, shown without taking the focus.
HWND MakeWindow(const wchar_t* cls, WNDPROC proc, HBRUSH background, DWORD exStyle, int l, int t, int w, int h) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = background;
  wc.lpszClassName = cls;
  RegisterClassW(&wc);
  return CreateWindowExW(exStyle, cls, cls, WS_POPUP, l, t, w, h, nullptr, nullptr, wc.hInstance, nullptr);
}

// Serves the window's messages for that many seconds.
int RunFor(HWND hwnd, int seconds) {
  SetTimer(hwnd, 1, seconds * 1000, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageW(&msg);
  }
  return 0;
}

int Cover(int l, int t, int w, int h, int seconds) {
  HWND hwnd = MakeWindow(L"E2E Cover", DefWindowProcW, CreateSolidBrush(RGB(200, 30, 30)), 0, l, t, w, h);
  ShowWindow(hwnd, SW_SHOW);
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return RunFor(hwnd, seconds);
}

LRESULT CALLBACK KeyedProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
    FillRect(dc, &r, grey);
    DeleteObject(grey);
    RECT square{r.right / 4, r.bottom / 4, r.right * 3 / 4, r.bottom * 3 / 4};
    FillRect(dc, &square, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

int Keyed(int l, int t, int w, int h, int seconds) {
  HWND hwnd = MakeWindow(L"E2E Keyed", KeyedProc, nullptr, WS_EX_LAYERED | WS_EX_TOOLWINDOW, l, t, w, h);
  SetLayeredWindowAttributes(hwnd, RGB(128, 128, 128), 255, LWA_COLORKEY);
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  return RunFor(hwnd, seconds);
}

int SettingChange() {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"),
                      SMTO_ABORTIFHUNG, 3000, &result);
  return 0;
}

int Top(const wchar_t* exe) {
  for (const auto& f : WindowsOf(exe)) {
    if (IsWindowVisible(f.hwnd)) {
      SetWindowPos(f.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      return 0;
    }
  }
  return 1;
}

int WorkArea() {
  RECT r{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
  std::fflush(stdout);
  return 0;
}

// The state a test needs from a control, by its class.
long long StateOf(HWND h, const std::wstring& cls) {
  if (_wcsicmp(cls.c_str(), L"Button") == 0) return SendMessageW(h, BM_GETCHECK, 0, 0);
  if (_wcsicmp(cls.c_str(), TRACKBAR_CLASSW) == 0) return SendMessageW(h, TBM_GETPOS, 0, 0);
  if (_wcsicmp(cls.c_str(), L"ComboBox") == 0) return SendMessageW(h, CB_GETCURSEL, 0, 0);
  return 0;
}

BOOL CALLBACK PrintChild(HWND h, LPARAM topCaption) {
  wchar_t cls[256] = {}, text[512] = {};
  GetClassNameW(h, cls, 256);
  // An edit's text is not its window caption: ask the control.
  if (_wcsicmp(cls, L"Edit") == 0)
    SendMessageW(h, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  else
    GetWindowTextW(h, text, 512);
  RECT r{};
  GetWindowRect(h, &r);
  std::printf("top=\"%s\" class=%s text=\"%s\" rect=%ld,%ld,%ld,%ld visible=%d enabled=%d state=%lld\n",
              Utf8(reinterpret_cast<const wchar_t*>(topCaption)).c_str(), Utf8(cls).c_str(), Utf8(text).c_str(), r.left,
              r.top, r.right, r.bottom, IsWindowVisible(h) ? 1 : 0, IsWindowEnabled(h) ? 1 : 0, StateOf(h, cls));
  return TRUE;
}

int ListChildren(const wchar_t* exe) {
  // Hidden windows too: a hidden dialog's controls still hold the program's settings.
  for (const auto& f : WindowsOf(exe)) {
    wchar_t top[512] = {};
    GetWindowTextW(f.hwnd, top, 512);
    EnumChildWindows(f.hwnd, PrintChild, reinterpret_cast<LPARAM>(top));
  }
  std::fflush(stdout);
  return 0;
}

// A window repaints only when its thread has no input left to handle, so a pixel made
// invalid now and then validated proves that the input already queued was handled. Twice,
// since the first paint may come before the thread has read pending input from X.
int Idle(const wchar_t* hwnd) {
  const HWND target = reinterpret_cast<HWND>(static_cast<uintptr_t>(wcstoull(hwnd, nullptr, 16)));
  if (!IsWindow(target)) return 1;
  const DWORD deadline = GetTickCount() + 20000;
  for (int round = 0; round < 2; ++round) {
    RECT pixel{0, 0, 1, 1};
    if (!InvalidateRect(target, &pixel, FALSE)) return 1;
    while (GetUpdateRect(target, nullptr, FALSE)) {
      // Hidden or gone (Return closing a dialog): the input that did it was handled.
      if (!IsWindow(target) || !IsWindowVisible(target)) return 0;
      if (GetTickCount() > deadline) return 1;
      Sleep(10);
    }
  }
  return 0;
}

// As the program asks at start-up: a copy that finds the mutex ends at once.
int Mutex(const wchar_t* name) {
  HANDLE h = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name);
  if (!h) return 1;
  CloseHandle(h);
  return 0;
}

}  // namespace

// Holds a file open without sharing for a while, as an editor would; prints "held" once open.
int Hold(const wchar_t* path, int seconds) {
  HANDLE h = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  std::printf("held\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(seconds) * 1000);
  CloseHandle(h);
  return 0;
}

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && !wcscmp(argv[1], L"windows")) return ListWindows(argv[2]);
  if (argc >= 7 && !wcscmp(argv[1], L"cover"))
    return Cover(_wtoi(argv[2]), _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]), _wtoi(argv[6]));
  if (argc >= 3 && !wcscmp(argv[1], L"top")) return Top(argv[2]);
  if (argc >= 2 && !wcscmp(argv[1], L"settingchange")) return SettingChange();
  if (argc >= 7 && !wcscmp(argv[1], L"keyed"))
    return Keyed(_wtoi(argv[2]), _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]), _wtoi(argv[6]));
  if (argc >= 2 && !wcscmp(argv[1], L"workarea")) return WorkArea();
  if (argc >= 3 && !wcscmp(argv[1], L"children")) return ListChildren(argv[2]);
  if (argc >= 4 && !wcscmp(argv[1], L"hold")) return Hold(argv[2], _wtoi(argv[3]));
  if (argc >= 3 && !wcscmp(argv[1], L"idle")) return Idle(argv[2]);
  if (argc >= 3 && !wcscmp(argv[1], L"mutex")) return Mutex(argv[2]);
  std::fprintf(stderr, "usage: probe windows NAME.exe | cover L T W H SECS | keyed L T W H SECS | top NAME.exe | "
               "workarea | children NAME.exe | idle HWND | mutex NAME | hold PATH SECS | settingchange\n");
  return 2;
}
