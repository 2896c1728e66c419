// Owners of the Win32 handles that need closing: each closes its handle when it goes, so
// no early return or exception leaks one.
#pragma once

#include <windows.h>

#include <utility>

namespace win32 {

// One handle of type H, released by Close()(h) unless it is null.
template <class H, class Close>
class Owned {
 public:
  Owned() = default;
  explicit Owned(H h) : h_(h) {}
  ~Owned() { reset(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  Owned& operator=(Owned&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  void reset(H h = nullptr) {
    if (h_) Close()(h_);
    h_ = h;
  }
  H release() { return std::exchange(h_, nullptr); }
  H get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  H h_ = nullptr;
};

struct WindowCloser {
  void operator()(HWND h) const { DestroyWindow(h); }
};
struct IconCloser {
  void operator()(HICON h) const { DestroyIcon(h); }
};
struct MenuCloser {
  void operator()(HMENU h) const { DestroyMenu(h); }
};
struct FindCloser {
  void operator()(HANDLE h) const { FindClose(h); }
};

using UniqueWindow = Owned<HWND, WindowCloser>;
using UniqueIcon = Owned<HICON, IconCloser>;
using UniqueMenu = Owned<HMENU, MenuCloser>;

// A FindFirstFileW search; INVALID_HANDLE_VALUE (nothing found) is held as none.
class UniqueFind : public Owned<HANDLE, FindCloser> {
 public:
  explicit UniqueFind(HANDLE h) : Owned(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
};

// A window's (or the screen's) device context, released with the owner.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace win32
