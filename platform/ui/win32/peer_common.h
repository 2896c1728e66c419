// What the Win32 peers share: the place of a control in its container's window, the
// keyboard state, the DPI, the cursor, and the colours a control is painted in.
#pragma once

#include <windows.h>

#include "platform/ui/ui.h"

namespace ui::win32 {

class Backend;

StyleManager& Styles();

// The modifier keys held now, as the toolkit's shift bits.
unsigned ShiftState();

// The DPI of the control's form (96 without one).
int DpiOf(const Control& c);

HCURSOR CursorFor(Cursor c);

// The window of the nearest ancestor that has one, and the control's position in it.
HWND ContainerHwnd(const Control& c);
POINT OffsetInContainer(const Control& c);

// The colours a control is painted in. Every peer takes them from here, so the style
// manager's palette is the one source of every control's look.
struct ControlColors {
  COLORREF back;
  COLORREF text;
};
ControlColors ColorsOf(const Control& c);

// The brush of the control's background, shared and owned by the backend.
HBRUSH BackgroundBrushOf(Backend& backend, const Control& c);

}  // namespace ui::win32
