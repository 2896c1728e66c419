// Start with Windows: the per-user Run entry named after the program, holding the bare
// path of the running executable.
#pragma once

#include <string_view>

namespace autostart {

inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Whether a stored Run entry names this executable. Tried in order:
//   "C:\App\Cifrona.exe"        equal after trimming (ASCII letters in any case)
//   "\"C:\App\Cifrona.exe\""    equal to the path in double quotes
//   "C:\App\Cifrona.exe /min"   starts with the path and contains it as written
// "\"C:\App\Cifrona.exe\" /min" matches none of them.
bool MatchesExecutable(std::string_view stored, std::string_view exePath);

// True when the Run key holds a string entry that names the running executable. A key
// that cannot be opened, a missing entry or an entry that is not a string count as "no".
bool IsRegistered();

// Writes the entry (the bare executable path) or deletes it; deleting a missing entry is
// no error. A failed write throws platform::RegistryError ("Failed to set data for '...'").
void Write(bool enabled);

}  // namespace autostart
