// Windowless controls (labels, images): their container draws them in its own paint and
// hands them its mouse input.
#pragma once

#include <windows.h>

#include "platform/ui/ui.h"

namespace ui::win32 {

class Backend;

bool DrawnByContainer(const Control& c);
// Draws one label or image of a container into dc (container coordinates).
void DrawLight(Backend& backend, HDC dc, Control& c);
// The topmost visible windowless child of a container at a point of its client area.
Control* LightAt(Control& container, POINT p);

}  // namespace ui::win32
