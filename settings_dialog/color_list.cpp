#include "settings_dialog/color_list.h"

namespace colors {

namespace {

constexpr std::int32_t Sys(int index) { return static_cast<std::int32_t>(0xFF000000u | unsigned(index)); }

constexpr NamedColor kColors[] = {
    // The sixteen standard colours.
    {"Black", 0x000000}, {"Maroon", 0x000080}, {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000}, {"Purple", 0x800080}, {"Teal", 0x808000}, {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF}, {"Lime", 0x00FF00}, {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000}, {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00}, {"White", 0xFFFFFF},
    // Four extended ones.
    {"Money Green", 0xC0DCC0}, {"Sky Blue", 0xF0CAA6}, {"Cream", 0xF0FBFF}, {"Medium Gray", 0xA4A0A0},
    // System colours, by their GetSysColor index.
    {"Scroll Bar", Sys(0)}, {"Background", Sys(1)}, {"Active Caption", Sys(2)}, {"Inactive Caption", Sys(3)},
    {"Menu", Sys(4)}, {"Window", Sys(5)}, {"Window Frame", Sys(6)}, {"Menu Text", Sys(7)},
    {"Window Text", Sys(8)}, {"Caption Text", Sys(9)}, {"Active Border", Sys(10)}, {"Inactive Border", Sys(11)},
    {"Application Workspace", Sys(12)}, {"Highlight", Sys(13)}, {"Highlight Text", Sys(14)},
    {"Button Face", Sys(15)}, {"Button Shadow", Sys(16)}, {"Gray Text", Sys(17)}, {"Button Text", Sys(18)},
    {"Inactive Caption Text", Sys(19)}, {"Button Highlight", Sys(20)}, {"3D Dark Shadow", Sys(21)},
    {"3D Light", Sys(22)}, {"Info Text", Sys(23)}, {"Info Background", Sys(24)}, {"Hot Light", Sys(26)},
    {"Gradient Active Caption", Sys(27)}, {"Gradient Inactive Caption", Sys(28)}, {"Menu Highlight", Sys(29)},
    {"Menu Bar", Sys(30)},
};

}  // namespace

std::span<const NamedColor> ListColors() { return kColors; }

int IndexOf(std::int32_t value) {
  for (size_t i = 0; i < std::size(kColors); ++i)
    if (kColors[i].value == value) return static_cast<int>(i);
  return -1;
}

}  // namespace colors
