// Process and window-system services over Win32, installed by win32::Platform.
#pragma once

#include <memory>

#include "platform/services.h"
#include "platform/update_services.h"

namespace win32 {

std::unique_ptr<platform::Process> MakeProcess();
std::unique_ptr<platform::WindowSystem> MakeWindowSystem();
// The Win32 values the portable meanings stand for (win32_window_system.cpp).
unsigned ZOrderFlags(platform::ZOrderKeep why);     // SWP_ flags
unsigned MessageBoxFlags(platform::MessageIcon icon);  // MB_ flags
int ShowCommandValue(platform::ShowCommand show);    // SW_ value
// The updater's (win32_update.cpp).
std::unique_ptr<platform::Http> MakeHttp();
std::unique_ptr<platform::Taskbar> MakeTaskbar();
std::unique_ptr<platform::Session> MakeSession();
std::unique_ptr<platform::Crypto> MakeCrypto();

}  // namespace win32
