#include <gtest/gtest.h>

#include <set>

#include "settings_dialog/color_list.h"

namespace {

TEST(ColorList, EveryColourIsFoundAtItsOwnIndex) {
  const auto list = colors::ListColors();
  std::set<std::int32_t> seen;
  for (size_t i = 0; i < list.size(); ++i) {
    EXPECT_TRUE(seen.insert(list[i].value).second) << list[i].name << " listed twice";
    EXPECT_EQ(colors::IndexOf(list[i].value), static_cast<int>(i)) << list[i].name;
  }
  EXPECT_EQ(list[colors::IndexOf(colors::kWhite)].name, "White");
  EXPECT_EQ(colors::IndexOf(0x123456), -1);
}

TEST(ColorList, SystemColoursAreNegativeAndNameTheirIndex) {
  for (const auto& c : colors::ListColors()) {
    if (!colors::IsSystemColor(c.value)) {
      EXPECT_EQ(c.value & 0xFF000000, 0) << c.name;
      continue;
    }
    EXPECT_EQ(static_cast<std::uint32_t>(c.value) & 0xFFFFFF00u, 0xFF000000u) << c.name;
    EXPECT_LE(colors::SystemColorIndex(c.value), 30) << c.name;
  }
  EXPECT_EQ(colors::SystemColorIndex(-16777201), 15);  // the button face, as stored in a settings file
}

}  // namespace
