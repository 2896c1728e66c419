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
//   probe children NAME.exe [HWND]
//                              one line per child window of that program's windows (of the
//                              one window HWND only, so a busy program is asked less):
//                              top-level caption, class, text, screen rect, and the control's
//                              state (check box tick, slider position, list index, progress
//                              bar position; "?" when the program did not answer in 3 s)
//   probe idle HWND            returns once the thread of that window (as "windows" prints it)
//                              has handled the input sent to it before: exit code 0, or 1
//                              after 20 seconds (the reason on stderr)
//   probe mutex NAME           prints "present" and exits with 0 when a mutex of that name
//                              exists in this logon (as the program's single-copy check sees
//                              it), "absent" and 1 when not
//   probe inkwidth FACE POINTS BOLD HEX
//                              the ink width in pixels of a text (UTF-8 as hex digits) drawn in
//                              that font as the program draws a label (BOLD 1 or 0)
//   probe hold PATH SECS       holds that file open without sharing for SECS seconds, as an
//                              editor would; prints "held" once it is open
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// A window handle as "windows" prints it (hex digits).
HWND HwndFrom(const wchar_t* text) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(wcstoull(text, nullptr, 16)));
}

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

// The state a test needs from a control, by its class. Asked with a time limit: a program
// busy on its user-interface thread (a download waiting for data) answers late, and the
// probe must not hang with it: "?" then.
std::string StateOf(HWND h, const std::wstring& cls) {
  UINT message = 0;
  if (_wcsicmp(cls.c_str(), L"Button") == 0) message = BM_GETCHECK;
  else if (_wcsicmp(cls.c_str(), TRACKBAR_CLASSW) == 0) message = TBM_GETPOS;
  else if (_wcsicmp(cls.c_str(), L"ComboBox") == 0) message = CB_GETCURSEL;
  else if (_wcsicmp(cls.c_str(), PROGRESS_CLASSW) == 0) message = PBM_GETPOS;
  else return "0";
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(h, message, 0, 0, SMTO_ABORTIFHUNG, 3000, &result)) return "?";
  return std::to_string(static_cast<long long>(static_cast<LRESULT>(result)));
}

BOOL CALLBACK PrintChild(HWND h, LPARAM topCaption) {
  wchar_t cls[256] = {}, text[512] = {};
  GetClassNameW(h, cls, 256);
  // An edit's text is not its window caption: ask the control.
  if (_wcsicmp(cls, L"Edit") == 0)
    SendMessageTimeoutW(h, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 3000, nullptr);
  else
    GetWindowTextW(h, text, 512);
  RECT r{};
  GetWindowRect(h, &r);
  std::printf("top=\"%s\" class=%s text=\"%s\" rect=%ld,%ld,%ld,%ld visible=%d enabled=%d state=%s style=0x%08lx\n",
              Utf8(reinterpret_cast<const wchar_t*>(topCaption)).c_str(), Utf8(cls).c_str(), Utf8(text).c_str(), r.left,
              r.top, r.right, r.bottom, IsWindowVisible(h) ? 1 : 0, IsWindowEnabled(h) ? 1 : 0, StateOf(h, cls).c_str(),
              static_cast<unsigned long>(GetWindowLongPtrW(h, GWL_STYLE)));
  return TRUE;
}

int ListChildren(const wchar_t* exe, HWND only) {
  // Hidden windows too: a hidden dialog's controls still hold the program's settings.
  for (const auto& f : WindowsOf(exe)) {
    wchar_t top[512] = {};
    GetWindowTextW(f.hwnd, top, 512);
    if (only && f.hwnd != only) continue;
    EnumChildWindows(f.hwnd, PrintChild, reinterpret_cast<LPARAM>(top));
  }
  std::fflush(stdout);
  return 0;
}

// A window repaints only when its thread has no input left to handle, so a pixel made
// invalid now and then validated proves that the input already queued was handled. Twice,
// since the first paint may come before the thread has read pending input from X.
int Idle(const wchar_t* hwnd) {
  const HWND target = HwndFrom(hwnd);
  // Each way of failing says which it is: the caller's message alone cannot tell them apart.
  if (!IsWindow(target)) {
    std::fprintf(stderr, "idle: no window %ls\n", hwnd);
    return 1;
  }
  const DWORD deadline = GetTickCount() + 20000;
  for (int round = 0; round < 2; ++round) {
    RECT pixel{0, 0, 1, 1};
    if (!InvalidateRect(target, &pixel, FALSE)) {
      std::fprintf(stderr, "idle: InvalidateRect failed (error %lu)\n", GetLastError());
      return 1;
    }
    while (GetUpdateRect(target, nullptr, FALSE)) {
      // Hidden or gone (Return closing a dialog): the input that did it was handled.
      if (!IsWindow(target) || !IsWindowVisible(target)) return 0;
      if (GetTickCount() > deadline) {
        std::fprintf(stderr, "idle: the window has not painted for 20 s\n");
        return 1;
      }
      Sleep(10);
    }
  }
  return 0;
}

// As the program asks at start-up: a copy that finds the mutex ends at once.
// The answer is printed too: an exit code of 1 also comes from a process Wine could not start.
int Mutex(const wchar_t* name) {
  HANDLE h = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name);
  if (!h) {
    std::puts("absent");
    return 1;
  }
  CloseHandle(h);
  std::puts("present");
  return 0;
}

// The width of the ink of TEXT (UTF-8 in hex, so no code page stands between) drawn in one
// line as the program draws a label: that font, at the screen's DPI. A scenario compares it
// with the ink it finds on the screen to tell which text a windowless label shows.
int InkWidth(const wchar_t* face, int points, bool bold, const wchar_t* hex) {
  std::string utf8;
  for (const wchar_t* p = hex; p[0] && p[1]; p += 2) {
    wchar_t pair[3] = {p[0], p[1], 0};
    utf8.push_back(static_cast<char>(wcstoul(pair, nullptr, 16)));
  }
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring text(n > 0 ? n - 1 : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, text.data(), n);
  HDC screen = GetDC(nullptr);
  const int w = 2000, h = 80;
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = CLEARTYPE_NATURAL_QUALITY;
  wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  RECT all{0, 0, w, h};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT r{20, 20, w - 20, h - 20};
  DrawTextW(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_NOPREFIX);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(static_cast<size_t>(w) * h);
  SelectObject(dc, oldBitmap);
  GetDIBits(dc, bitmap, 0, h, pixels.data(), &info, DIB_RGB_COLORS);
  int left = w, right = -1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const DWORD p = pixels[static_cast<size_t>(y) * w + x];
      const int darkest = std::min({static_cast<int>(p & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                                    static_cast<int>((p >> 16) & 0xFF)});
      // As dark as the scenarios' ink threshold: a faint edge of smoothing is no ink.
      if (darkest < 200) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
  SelectObject(dc, oldFont);
  DeleteObject(font);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  std::printf("%d\n", right < left ? 0 : right - left + 1);
  std::fflush(stdout);
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
  if (argc >= 3 && !wcscmp(argv[1], L"children")) return ListChildren(argv[2], argc >= 4 ? HwndFrom(argv[3]) : nullptr);
  if (argc >= 4 && !wcscmp(argv[1], L"hold")) return Hold(argv[2], _wtoi(argv[3]));
  if (argc >= 3 && !wcscmp(argv[1], L"idle")) return Idle(argv[2]);
  if (argc >= 3 && !wcscmp(argv[1], L"mutex")) return Mutex(argv[2]);
  if (argc >= 6 && !wcscmp(argv[1], L"inkwidth")) return InkWidth(argv[2], _wtoi(argv[3]), _wtoi(argv[4]) != 0, argv[5]);
  std::fprintf(stderr, "usage: probe windows NAME.exe | cover L T W H SECS | keyed L T W H SECS | top NAME.exe | "
               "workarea | children NAME.exe [HWND] | idle HWND | mutex NAME | hold PATH SECS | settingchange | "
               "inkwidth FACE POINTS BOLD HEXTEXT\n");
  return 2;
}
