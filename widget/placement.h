// The arithmetic of the widget's size and place: digit size from scale, font and screen
// width; window size; centring; keeping the window inside the work area while and after
// it is dragged. Pure functions, so every rule is
// checked with plain numbers.
#pragma once

#include <cstdint>

#include "platform/services.h"

namespace placement {

using platform::Point;
using platform::Rect;

// Digit height factor of a font-list index; an unknown index (none selected) counts as 7.
int FontFactor(int fontIndex);

// Screen factor in hundredths by work-area width: 120, 90, 75 or 65.
int ScreenFactorPercent(int workAreaWidth);

// num / den rounded to the nearest integer, halves to the even neighbour; den > 0.
std::int64_t RoundHalfEven(std::int64_t num, std::int64_t den);

// Font size in points: 20 x (scale / 100) x (F - 2) x S, rounded half to even, at least 8.
// Computed in integers, so 19.5 stays 19.5 and 27.3 is 27 on every compiler.
int FontSize(int scale, int fontIndex, int workAreaWidth);

// The base size taken from the label at the first scaling: its width + 20 and its
// height - 9 x F.
struct BaseSize {
  int width = 0;
  int height = 0;
};
BaseSize CaptureBaseSize(int labelWidth, int labelHeight, int fontIndex);

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// The window for a text `textWidth` pixels wide: at least base width x scale, wide
// enough for the text plus 40, and never larger than the work area less 50 each way.
Size WindowSize(int scale, int textWidth, BaseSize base, const Rect& workArea);

// Top-left of a centred window. Only the work area's size counts, and the window sits
// 10 pixels left of the middle: 1920 x 1040 with 221 x 188 gives (839, 426).
Point CenteredPosition(const Rect& workArea, int width, int height);

// The rectangle proposed during a drag, shifted (never resized) into the work area:
// left, top, right, bottom in that order, so an oversized window ends flush right and
// bottom.
Rect ClampWhileMoving(Rect proposed, const Rect& workArea);

// The window moved back inside the work area after a move: right, bottom, left, top in
// that order, so an oversized window ends flush left and top.
Point KeepInWorkArea(const Rect& bounds, const Rect& workArea);

// A length given at 96 DPI, at `dpi`.
int ScaleForDpi(int length, int dpi);

}  // namespace placement
