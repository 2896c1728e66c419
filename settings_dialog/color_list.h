// The colours the digit-colour list offers: the sixteen standard colours, four extended
// ones and the system colours. A colour value is 0x00BBGGRR, or a system colour's own
// negative number (0xFF000000 | index) that is resolved when drawn.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace colors {

struct NamedColor {
  std::string_view name;
  std::int32_t value;
};

inline constexpr std::int32_t kWhite = 0x00FFFFFF;
inline constexpr std::int32_t kKeyColor = 0x00808080;  // the widget's transparent key

std::span<const NamedColor> ListColors();

inline constexpr bool IsSystemColor(std::int32_t value) { return value < 0; }
inline constexpr int SystemColorIndex(std::int32_t value) { return value & 0xFF; }

// Index in ListColors(), or -1 when the colour is not one of them.
int IndexOf(std::int32_t value);

}  // namespace colors
