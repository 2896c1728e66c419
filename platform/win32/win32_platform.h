// The real platform services over the Win32 API.
#pragma once

#include <memory>

#include "platform/services.h"

namespace win32 {

// UTF-8 <-> UTF-16 at the Win32 boundary.
std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// The system's text for an error code, without the trailing line break.
std::string SystemMessage(unsigned long error);

// All Win32 services, installed as the current ones for its lifetime.
class Platform {
 public:
  Platform();
  ~Platform();
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  platform::Services previous_;
};

}  // namespace win32
