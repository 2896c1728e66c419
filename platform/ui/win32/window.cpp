#include "platform/ui/win32/window.h"

#include <set>

#include "platform/ui/application.h"

namespace ui::win32 {

WindowError WindowError::CannotCreate(std::string_view what, std::string_view name) {
  const DWORD error = GetLastError();
  std::string text = "Cannot create the " + std::string(what);
  if (!name.empty()) text += " \"" + std::string(name) + "\"";
  // A window procedure that refuses its creation may leave no error code behind.
  return WindowError(error ? text + ": " + SystemMessage(error) : text);
}

BackBuffer::BackBuffer(HDC target, int width, int height) : width_(width), height_(height) {
  dc_ = CreateCompatibleDC(target);
  bitmap_.reset(CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1));
  old_ = SelectObject(dc_, bitmap_.get());
}

BackBuffer::~BackBuffer() {
  SelectObject(dc_, old_);
  DeleteDC(dc_);
}

void BackBuffer::BlitTo(HDC target) const { BitBlt(target, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY); }

Window::~Window() { Destroy(); }

void Window::Destroy() {
  if (!hwnd_) return;
  // Detach first: messages sent while the window is destroyed must not reach an object
  // whose derived part is already gone.
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  HWND h = hwnd_;
  hwnd_ = nullptr;
  DestroyWindow(h);
}

void Window::Create(const std::string& name, const wchar_t* className, UINT classStyle, DWORD exStyle, DWORD style, const std::wstring& title,
                    int x, int y, int w, int h, HWND parent, HMENU menu) {
  static std::set<std::wstring> registered;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!registered.count(className)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = &Window::StaticProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(instance, L"MAINICON");
    wc.lpszClassName = className;
    RegisterClassExW(&wc);
    registered.insert(className);
  }
  SetLastError(ERROR_SUCCESS);
  HWND created = CreateWindowExW(exStyle, className, title.c_str(), style, x, y, w, h, parent, menu, instance, this);
  if (!created) {
    hwnd_ = nullptr;
    throw WindowError::CannotCreate("window", name);
  }
  hwnd_ = created;
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProcW(hwnd_, msg, wParam, lParam); }

LRESULT CALLBACK Window::StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  LRESULT result = 0;
  bool handled = false;
  SafeCall([&] {
    result = self->HandleMessage(msg, wParam, lParam);
    handled = true;
  });
  return handled ? result : DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace ui::win32
