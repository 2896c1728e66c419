// Process and window-system services over Win32, installed by win32::Platform.
#pragma once

#include <memory>

#include "platform/services.h"

namespace win32 {

std::unique_ptr<platform::Process> MakeProcess();
std::unique_ptr<platform::WindowSystem> MakeWindowSystem();

}  // namespace win32
