#include "platform/win32/system_dll.h"

#include <map>
#include <mutex>
#include <stdexcept>
#include <string>

#include "platform/win32/win32_platform.h"

namespace win32 {

FARPROC SystemDllProc(const wchar_t* dll, const char* name) {
  static std::mutex mutex;
  static std::map<std::wstring, HMODULE> loaded;  // kept for the process's lifetime
  HMODULE module = nullptr;
  DWORD error = 0;
  {
    std::lock_guard lock(mutex);
    HMODULE& slot = loaded[dll];
    if (!slot) {
      slot = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
      error = GetLastError();
    }
    module = slot;
  }
  if (!module) throw std::runtime_error("Cannot load " + Narrow(dll) + ": " + SystemMessage(error));
  FARPROC proc = GetProcAddress(module, name);
  if (!proc) throw std::runtime_error(Narrow(dll) + " has no " + name);
  return proc;
}

}  // namespace win32
