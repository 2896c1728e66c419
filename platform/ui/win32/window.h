// The thin window base of the Win32 backend and RAII for the handles it uses. One static
// window procedure finds the object and forwards to its virtual handler; no exception
// ever leaves it.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace ui::win32 {

// The platform's UTF-8 <-> UTF-16 conversion and system messages, and its handle owners.
using ::win32::Narrow;
using ::win32::SystemMessage;
using ::win32::UniqueIcon;
using ::win32::UniqueMenu;
using ::win32::UniqueWindow;
using ::win32::Wide;
using ::win32::WindowDC;

// A GDI object (font, brush, bitmap, pen) deleted with the wrapper.
struct GdiCloser {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
template <class H>
using GdiObject = ::win32::Owned<H, GdiCloser>;

// A window or control the system would not create; the text names it and gives the
// system's reason, and is what the error box shows.
class WindowError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  // For the last error of the calling thread.
  static WindowError CannotCreate(std::string_view what, std::string_view name);
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
  // Registers the class on first use (our static procedure) and creates the window;
  // throws WindowError (name says which) when the system refuses.
  void Create(const std::string& name, const wchar_t* className, UINT classStyle, DWORD exStyle, DWORD style, const std::wstring& title,
              int x, int y, int w, int h, HWND parent, HMENU menu);
  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void Destroy();

 private:
  static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

}  // namespace ui::win32
