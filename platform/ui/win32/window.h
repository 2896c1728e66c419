// The thin window base of the Win32 backend and RAII for the handles it uses. One static
// window procedure finds the object and forwards to its virtual handler; no exception
// ever leaves it.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ui::win32 {

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// A GDI object (font, brush, bitmap, pen) deleted with the wrapper.
template <class H>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(H h) : h_(h) {}
  ~GdiObject() { reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
  GdiObject& operator=(GdiObject&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = o.h_;
      o.h_ = nullptr;
    }
    return *this;
  }
  void reset(H h = nullptr) {
    if (h_) DeleteObject(h_);
    h_ = h;
  }
  H get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  H h_ = nullptr;
};

// A memory DC with its bitmap selected, restored and released at the end of a paint.
class BackBuffer {
 public:
  BackBuffer(HDC target, int width, int height);
  ~BackBuffer();
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;
  HDC dc() const { return dc_; }
  void BlitTo(HDC target) const;

 private:
  HDC dc_ = nullptr;
  GdiObject<HBITMAP> bitmap_;
  HGDIOBJ old_ = nullptr;
  int width_, height_;
};

// Selects an object into a DC for the wrapper's lifetime.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~Selected() { SelectObject(dc_, old_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  HWND hwnd() const { return hwnd_; }

 protected:
  // Registers the class on first use (our static procedure) and creates the window.
  bool Create(const wchar_t* className, UINT classStyle, DWORD exStyle, DWORD style, const std::wstring& title,
              int x, int y, int w, int h, HWND parent, HMENU menu);
  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void Destroy();

 private:
  static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

}  // namespace ui::win32
