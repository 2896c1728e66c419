// Program entry on Windows: the real platform services and windows, then the program.
#include <windows.h>

#include "app/cifrona.h"
#include "platform/ui/win32/win32_ui.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  win32::Platform platform;
  ui::win32::Backend backend;
  return app::Cifrona();
}
