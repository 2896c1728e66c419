// Program entry on Windows: the real platform services and windows, then the program.
#include <windows.h>

#include <cstddef>

#include "app/cifrona.h"
#include "platform/ui/win32/win32_ui.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  win32::Platform platform;
  ui::win32::Backend backend;
  return app::Cifrona();
}

// An exception that escapes everything ends the program through the runtime's verbose
// terminate handler, which names the exception's type through the demangler: a C++ name
// parser of about 46 KB. The mangled name says the same to a developer, so the handler gets
// this stand-in ("not demangled", as the real one answers for a name it cannot parse).
extern "C" char* __cxa_demangle(const char*, char*, std::size_t*, int* status) {
  if (status) *status = -2;
  return nullptr;
}
