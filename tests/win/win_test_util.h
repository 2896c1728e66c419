// Helpers shared by the Windows-side tests.
#pragma once

#include <windows.h>

#include <string>

#include "platform/ui/ui.h"
#include "platform/win32/win32_platform.h"

namespace wintest {

// The folder of the running test program, with its trailing backslash.
inline std::string ModuleFolder() {
  wchar_t buffer[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::string path = win32::Narrow(std::wstring_view(buffer, n));
  return path.substr(0, path.find_last_of('\\') + 1);
}

inline bool Exists(const std::string& path) {
  return GetFileAttributesW(win32::Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A form made from a definition's text alone, with no handlers.
class DefinedForm : public ui::Form {
 public:
  DefinedForm(const std::string& name, const std::string& definition) : ui::Form(name) {
    ui::LoadForm(*this, definition, ui::HandlerMap());
  }
};

}  // namespace wintest
