// The program from start to end: one copy per logon, the windows in their fixed order,
// the operating-system gate, the message loop.
#pragma once

namespace app {

// Runs the program; a GUI toolkit backend and the platform services must be installed.
// Returns the exit code, always 0.
int Cifrona();

}  // namespace app
