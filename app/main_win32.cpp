// Program entry on Windows.
#include <windows.h>

#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  win32::Platform platform;
  return 0;
}
