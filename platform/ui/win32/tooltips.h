// Hints: one tooltip control per form, owned by the form's window (so it goes with it) and
// kept as a property of that window; each windowed control with a shown hint is one tool.
#pragma once

#include <windows.h>

#include "platform/ui/ui.h"

namespace ui::win32 {

// Shows, changes or removes the tool of a control window; gives whether the tool is there
// now. The tooltip control copies the text; changing it while the tip is up redraws the
// tip with the new text.
bool SetToolHint(HWND control, const Control& c, bool added);
void RemoveToolHint(HWND control);
// The form's window is going: forget its tooltip (the control itself goes with its owner).
void ForgetTooltip(HWND form);

}  // namespace ui::win32
