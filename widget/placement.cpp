#include "widget/placement.h"

#include <algorithm>
#include <cstdlib>

namespace placement {

int FontFactor(int fontIndex) {
  switch (fontIndex) {
    case 0: case 1: case 4: case 5: return 9;
    case 2: return 8;
    case 3: return 7;
    default: return 7;  // "Segoe UI", and no selection
  }
}

int ScreenFactorPercent(int workAreaWidth) {
  if (workAreaWidth >= 1920) return 120;
  if (workAreaWidth >= 1600) return 90;
  if (workAreaWidth >= 1366) return 75;
  return 65;
}

std::int64_t RoundHalfEven(std::int64_t num, std::int64_t den) {
  const bool negative = num < 0;
  const std::int64_t n = negative ? -num : num;
  std::int64_t q = n / den;
  const std::int64_t r2 = (n % den) * 2;
  if (r2 > den || (r2 == den && (q % 2) != 0)) ++q;
  return negative ? -q : q;
}

int FontSize(int scale, int fontIndex, int workAreaWidth) {
  const std::int64_t num = std::int64_t{20} * scale * (FontFactor(fontIndex) - 2) * ScreenFactorPercent(workAreaWidth);
  const std::int64_t size = RoundHalfEven(num, 100 * 100);
  return static_cast<int>(std::max<std::int64_t>(size, 8));
}

BaseSize CaptureBaseSize(int labelWidth, int labelHeight, int fontIndex) {
  return {labelWidth + 20, labelHeight - 9 * FontFactor(fontIndex)};
}

Size WindowSize(int scale, int textWidth, BaseSize base, const Rect& workArea) {
  const int h = static_cast<int>(RoundHalfEven(std::int64_t{base.height} * scale, 100));
  const int w0 = static_cast<int>(RoundHalfEven(std::int64_t{base.width} * scale, 100));
  const int t = textWidth + 40;
  return {std::min(std::max(t, w0), workArea.Width() - 50), std::min(h, workArea.Height() - 50)};
}

Point CenteredPosition(const Rect& workArea, int width, int height) {
  // Integer division truncates toward zero, as the rule asks for negative values too.
  return {(workArea.Width() - width - 20) / 2, (workArea.Height() - height) / 2};
}

Rect ClampWhileMoving(Rect r, const Rect& a) {
  auto shift = [&r](int dx, int dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
  };
  if (r.left < a.left) shift(a.left - r.left, 0);
  if (r.top < a.top) shift(0, a.top - r.top);
  if (r.right > a.right) shift(-(r.right - a.right), 0);
  if (r.bottom > a.bottom) shift(0, -(r.bottom - a.bottom));
  return r;
}

Point KeepInWorkArea(const Rect& b, const Rect& a) {
  Point p{b.left, b.top};
  const int width = b.Width(), height = b.Height();
  if (p.x + width > a.right) p.x = a.right - width;
  if (p.y + height > a.bottom) p.y = a.bottom - height;
  if (p.x < a.left) p.x = a.left;
  if (p.y < a.top) p.y = a.top;
  return p;
}

int ScaleForDpi(int length, int dpi) {
  return static_cast<int>((std::int64_t{length} * dpi + 48) / 96);
}

}  // namespace placement
