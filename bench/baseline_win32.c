/* The baseline for the process benchmarks: the smallest program that does what the
   widget does at rest (a colour-keyed layered tool window showing one number, redrawn
   by a one-second timer), so the ratios show what Cifrona costs on top of that. */
#include <windows.h>

static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, 0x3B);
      InvalidateRect(hwnd, NULL, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      RECT r;
      HDC dc = BeginPaint(hwnd, &ps);
      HFONT font = CreateFontW(-160, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Segoe UI");
      GetClientRect(hwnd, &r);
      HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
      FillRect(dc, &r, grey);
      DeleteObject(grey);
      /* The font is put back out of the DC before it is deleted: a selected font cannot be
         deleted, and would leak one GDI object a second. */
      HGDIOBJ old = SelectObject(dc, font);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(255, 255, 255));
      DrawTextW(dc, L"1", 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      SelectObject(dc, old);
      DeleteObject(font);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show) {
  WNDCLASSW wc = {0};
  MSG msg;
  HWND hwnd;
  (void)prev, (void)cmd, (void)show;
  wc.lpfnWndProc = Proc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_HAND);
  wc.lpszClassName = L"Baseline";
  RegisterClassW(&wc);
  hwnd = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"Baseline", L"Baseline", WS_POPUP,
                         0, 0, 221, 188, GetDesktopWindow(), NULL, inst, NULL);
  SetLayeredWindowAttributes(hwnd, RGB(128, 128, 128), 50, LWA_COLORKEY);
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  SetTimer(hwnd, 1, 1000, NULL);
  while (GetMessageW(&msg, NULL, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
