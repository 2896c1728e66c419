// The clock, worker threads, desktop settings and picture files over Win32, installed by
// win32::Platform.
#pragma once

#include <memory>

#include "platform/images.h"
#include "platform/services.h"

namespace win32 {

struct DesktopServices {
  DesktopServices();
  ~DesktopServices();
  DesktopServices(const DesktopServices&) = delete;
  DesktopServices& operator=(const DesktopServices&) = delete;
  void Install(platform::Services& services);

  std::unique_ptr<platform::Clock> clock;
  std::unique_ptr<platform::Threads> threads;
  std::unique_ptr<platform::Desktop> desktop;
  std::unique_ptr<platform::Images> images;
};

}  // namespace win32
