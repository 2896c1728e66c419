#include "platform/ui/types.h"

#include <cstdlib>

namespace ui {

int PointsToPixels(int points, int dpi) {
  // MulDiv rounding: half away from zero.
  long long n = static_cast<long long>(points) * dpi;
  return static_cast<int>(n >= 0 ? (n + 36) / 72 : -((-n + 36) / 72));
}

}  // namespace ui
