// Starts a program the way the updater does, through the shell's "open" with one parameter
// text passed unchanged, waits for it to end and exits with its exit code.
//   shell_run FILE "PARAMETERS"
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: shell_run FILE [PARAMETERS]\n", stderr);
    return 2;
  }
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = argv[1];
  info.lpParameters = argc == 3 ? argv[2] : nullptr;
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info) || !info.hProcess) {
    std::fprintf(stderr, "shell_run: could not start it (error %lu)\n", GetLastError());
    return 3;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  std::printf("%lu\n", code);
  return static_cast<int>(code);
}
