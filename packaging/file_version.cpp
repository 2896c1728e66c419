// Prints an executable's file version as the program itself reads it, so the update
// server's version.txt says exactly what the running copy compares against.
//   file_version PATH.exe    -> "1.0.0.1" on standard output; exit code 1 when unreadable
#include <windows.h>

#include <cstdio>

#include "info/file_info_utils.h"
#include "platform/win32/win32_platform.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: file_version PATH.exe\n", stderr);
    return 2;
  }
  win32::Platform platform;
  const std::string version = FileInfoUtils::GetFileVersion(win32::Narrow(argv[1]));
  if (version.empty()) {
    std::fputs("file_version: no version resource\n", stderr);
    return 1;
  }
  std::fputs(version.c_str(), stdout);
  return 0;
}
