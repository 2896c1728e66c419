// The operating-system gate: the program runs on Windows 10 and 11 only.
#pragma once

#include <cstdint>

namespace app {

struct WindowsVersion {
  std::uint32_t major = 0;
  std::uint32_t build = 0;
};

// Major 10 with build 10240 or later; Windows 11 reports major 10 too, so any other
// major, even a higher one, is refused.
bool IsWindows10Or11(const WindowsVersion& v);

// The real version: "CurrentMajorVersionNumber" and "CurrentBuild" (or, when that is no
// number, "CurrentBuildNumber") under HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion,
// and the old version call for whatever is missing there. The old call alone is not
// enough: without a manifest entry it reports Windows 8 on later systems.
WindowsVersion ReadWindowsVersion();

}  // namespace app
