// The dialogs' controls drawn from the active style's palette. Under a style every
// control paints itself (box, text, arrows, channel, bar), because themed system controls
// ignore the colours a parent hands them (check-box and radio-button text above all) and
// the undocumented dark themes are missing on older systems and under Wine. Under the
// system's plain look the controls draw natively. The widget's digits, its key colour
// and the tray picture never pass through here.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "platform/ui/ui.h"
#include "platform/ui/win32/window.h"

namespace ui::win32::styled {

// The brushes and pens of the active palette, made on first use and dropped when the
// style changes.
class PaletteGdi {
 public:
  static PaletteGdi& Instance();
  const Palette& Colors() const;
  bool Active() const { return Colors().styled; }
  HBRUSH Brush(Color c);
  HPEN Pen(Color c, int width = 1);
  void Clear();

 private:
  std::map<COLORREF, GdiObject<HBRUSH>> brushes_;
  std::map<std::pair<COLORREF, int>, GdiObject<HPEN>> pens_;
};

COLORREF Ref(Color c);

// Gives a control window (and the number field's arrows) its styled drawing; the
// drawing goes with the window.
void Attach(HWND hwnd, Control& control);
void AttachUpDown(HWND upDown, Control& spinEdit);

// The title bar of a top-level window in the active style's mode (Windows 10 1809 and
// later; elsewhere nothing happens).
void ApplyTitleBar(HWND topLevel);

// After a style change: the cached GDI objects go, popup menus take the mode where the
// system offers it, and every open window is redrawn with all its child windows, frames
// included, at once.
void StyleChanged(const std::vector<HWND>& topLevels);

}  // namespace ui::win32::styled
