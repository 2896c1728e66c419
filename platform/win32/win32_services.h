// Process and window-system services over Win32, installed by win32::Platform.
#pragma once

#include <memory>

#include "platform/services.h"
#include "platform/update_services.h"

namespace win32 {

std::unique_ptr<platform::Process> MakeProcess();
std::unique_ptr<platform::WindowSystem> MakeWindowSystem();
// The updater's (win32_update.cpp).
std::unique_ptr<platform::Http> MakeHttp();
std::unique_ptr<platform::Taskbar> MakeTaskbar();
std::unique_ptr<platform::Session> MakeSession();
std::unique_ptr<platform::Crypto> MakeCrypto();

}  // namespace win32
