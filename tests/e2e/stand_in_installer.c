/* Stands in for the downloaded installer in the update scenarios: writes the arguments it
   was started with (UTF-8, without its own path) to a file beside itself, NAME.args.txt. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
  const wchar_t* args = GetCommandLineW();
  wchar_t path[MAX_PATH + 16];
  char utf8[8192];
  DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
  HANDLE file;
  DWORD written = 0;
  int len;
  (void)instance, (void)previous, (void)commandLine, (void)show;
  if (*args == L'"') {
    ++args;
    while (*args && *args != L'"') ++args;
    if (*args) ++args;
  } else {
    while (*args && *args != L' ') ++args;
  }
  while (*args == L' ') ++args;
  lstrcpyW(path + n, L".args.txt");
  len = WideCharToMultiByte(CP_UTF8, 0, args, -1, utf8, sizeof utf8, NULL, NULL);
  file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  if (len > 0) WriteFile(file, utf8, (DWORD)(len - 1), &written, NULL);
  CloseHandle(file);
  return 0;
}
