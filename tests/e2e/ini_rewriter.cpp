// Rewrites an INI file through the program's own settings-file code (IniFile::Update on
// the Win32 platform's file replace) again and again, until it is killed. The kill
// scenario ends it at random points and checks that the file is always one whole round.
//
//   ini_rewriter PATH FIRST_ROUND [utf16]
//
// Round n holds "[Option]", Round=n, kKeys keys whose values all carry n, Pad= with a value
// of 2 MB in even rounds and 16 bytes in odd ones (so the file grows and shrinks, and a
// write takes long enough to be cut by a kill), and End=n. A file
// that does not exist yet starts in the ANSI code page, or in UTF-16 with "utf16" (as
// language files may be). After each round it prints "wrote n".
#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/services.h"
#include "platform/win32/win32_platform.h"
#include "settings/ini_file.h"

namespace {

constexpr int kKeys = 300;  // about 30 KB, the size of a language file

std::string Value(int round, int key) {
  return "round " + std::to_string(round) + " key " + std::to_string(key) + std::string(60, '.') + std::to_string(round);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: ini_rewriter PATH FIRST_ROUND [utf16]\n");
    return 2;
  }
  win32::Platform platform;
  const std::string path = win32::Narrow(argv[1]);
  const bool utf16 = argc >= 4 && std::wcscmp(argv[3], L"utf16") == 0;
  auto& files = *platform::Current().files;
  if (utf16 && !files.FileExists(path)) files.ReplaceAll(path, std::string("\xFF\xFE", 2));
  for (int round = _wtoi(argv[2]);; ++round) {
    settings::IniFile ini(path);
    ini.WriteInteger("Option", "Round", round);
    for (int key = 0; key < kKeys; ++key) ini.WriteString("Option", "Key" + std::to_string(key), Value(round, key));
    ini.WriteString("Option", "Pad", std::string(round % 2 ? 16 : 2 << 20, 'p'));
    ini.WriteInteger("Option", "End", round);
    ini.Update();
    std::printf("wrote %d\n", round);
    std::fflush(stdout);
  }
}
