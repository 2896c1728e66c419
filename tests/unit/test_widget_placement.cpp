// Size and place of the widget: the worked examples of the scaling and placement rules.
#include <gtest/gtest.h>

#include "widget/identity.h"
#include "widget/placement.h"

namespace {

using platform::Point;
using platform::Rect;

Rect Area(int width, int height) { return Rect{0, 0, width, height}; }

TEST(Placement, FontSizeFollowsScaleFontAndScreenWidth) {
  struct Case {
    int workWidth, scale, fontIndex, size;
  } cases[] = {
      {1920, 100, 0, 168},  // F 9, S 1.2
      {1600, 100, 2, 108},  // F 8, S 0.9
      {1366, 100, 3, 75},   // F 7, S 0.75
      {1280, 30, 1, 27},    // 27.3
      {1920, 500, 5, 840},
      {1919, 100, 4, 126},  // just below the 1920 step: S 0.9
      {1599, 100, 4, 105},  // S 0.75
      {1365, 100, 4, 91},   // S 0.65: 91.0
      {1920, 100, 6, 120},  // "Segoe UI": F 7
      {1920, 100, -1, 120}, // nothing selected: F 7
      {1920, 100, 7, 120},  // out of the list: F 7
  };
  for (const Case& c : cases)
    EXPECT_EQ(placement::FontSize(c.scale, c.fontIndex, c.workWidth), c.size)
        << c.workWidth << " wide, scale " << c.scale << ", font " << c.fontIndex;
}

TEST(Placement, HalvesRoundToTheEvenNeighbour) {
  // 20 x 0.3 x 5 x 0.65 = 19.5 exactly: floating point would give 19.499..., the rule 20.
  EXPECT_EQ(placement::FontSize(30, 6, 1280), 20);
  EXPECT_EQ(placement::RoundHalfEven(5, 2), 2);    // 2.5
  EXPECT_EQ(placement::RoundHalfEven(7, 2), 4);    // 3.5
  EXPECT_EQ(placement::RoundHalfEven(251, 100), 3);
  EXPECT_EQ(placement::RoundHalfEven(-5, 2), -2);  // -2.5
}

TEST(Placement, BaseSizeComesFromTheDesignClientArea) {
  EXPECT_EQ(placement::CaptureBaseSize(201, 269, 0).width, 221);
  EXPECT_EQ(placement::CaptureBaseSize(201, 269, 0).height, 188);  // F 9
  EXPECT_EQ(placement::CaptureBaseSize(201, 269, 2).height, 197);  // F 8
  EXPECT_EQ(placement::CaptureBaseSize(201, 269, 6).height, 206);  // F 7
}

TEST(Placement, WindowSizeGrowsWithTheTextAndStopsShortOfTheWorkArea) {
  const placement::BaseSize base{221, 188};
  struct Case {
    const char* what;
    int scale, textWidth;
    Rect area;
    placement::Size size;
  } cases[] = {
      {"design size", 100, 90, Area(1920, 1040), {221, 188}},
      {"longer number widens", 100, 400, Area(1920, 1040), {440, 188}},
      {"scaled base", 150, 90, Area(1920, 1040), {332, 282}},  // 331.5 -> 332, 282
      {"half scale rounds to even", 50, 10, Area(1920, 1040), {110, 94}},  // 110.5 -> 110
      {"capped by a small screen", 500, 3000, Area(1280, 720), {1230, 670}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(placement::WindowSize(c.scale, c.textWidth, base, c.area), c.size) << c.what;
}

TEST(Placement, CentringUsesTheWorkAreaSizeAndSitsTenPixelsLeft) {
  EXPECT_EQ(placement::CenteredPosition(Area(1920, 1040), 221, 188), (Point{839, 426}));
  // Taskbar on the left: the edges of the work area do not count, only its size.
  EXPECT_EQ(placement::CenteredPosition(Rect{60, 0, 1920, 1080}, 221, 188), (Point{809, 446}));
  // Wider than the work area: halves truncate toward zero.
  EXPECT_EQ(placement::CenteredPosition(Area(100, 100), 151, 103), (Point{-35, -1}));
}

TEST(Placement, DragIsClampedLeftTopRightBottom) {
  const Rect area{0, 0, 1920, 1040};
  struct Case {
    const char* what;
    Rect proposed, result;
  } cases[] = {
      {"inside stays", {100, 100, 321, 288}, {100, 100, 321, 288}},
      {"past the left", {-50, 100, 171, 288}, {0, 100, 221, 288}},
      {"past the top", {100, -9, 321, 179}, {100, 0, 321, 188}},
      {"past the right", {1800, 100, 2021, 288}, {1699, 100, 1920, 288}},
      {"past the bottom", {100, 900, 321, 1088}, {100, 852, 321, 1040}},
      {"past a corner", {-10, 1000, 211, 1188}, {0, 852, 221, 1040}},
      {"larger than the area ends right and bottom", {-5, -5, 1995, 1095}, {-80, -60, 1920, 1040}},
  };
  for (const Case& c : cases) EXPECT_EQ(placement::ClampWhileMoving(c.proposed, area), c.result) << c.what;
}

TEST(Placement, AfterAMoveTheWindowIsKeptInsideRightBottomLeftTop) {
  const Rect area{0, 30, 1920, 1080};  // taskbar at the top
  struct Case {
    const char* what;
    Rect bounds;
    Point result;
  } cases[] = {
      {"inside stays", {100, 100, 321, 288}, {100, 100}},
      {"above the work area", {100, 0, 321, 188}, {100, 30}},
      {"past the right and bottom", {1800, 1000, 2021, 1188}, {1699, 892}},
      {"larger than the area ends left and top", {500, 500, 2500, 1700}, {0, 30}},
  };
  for (const Case& c : cases) EXPECT_EQ(placement::KeepInWorkArea(c.bounds, area), c.result) << c.what;
}

TEST(Placement, DesignSizeFollowsTheMonitorDpi) {
  EXPECT_EQ(placement::ScaleForDpi(201, 96), 201);
  EXPECT_EQ(placement::ScaleForDpi(201, 144), 302);  // 301.5
  EXPECT_EQ(placement::ScaleForDpi(269, 192), 538);
}

TEST(Identity, CaptionCarriesVersionBitnessAndPortable) {
  const std::string bits = identity::BitnessText();
  EXPECT_TRUE(bits == "(32-bit)" || bits == "(64-bit)");
  EXPECT_EQ(bits, sizeof(void*) == 8 ? "(64-bit)" : "(32-bit)");
  EXPECT_EQ(identity::WindowCaption("Cifrona", "2.0.26.307", true), "Cifrona 2.0.26.307 " + bits + " Portable");
  EXPECT_EQ(identity::WindowCaption("Cifrona", "2.0.26.307", false), "Cifrona 2.0.26.307 " + bits);
  EXPECT_EQ(identity::VersionItemCaption("2.0.26.307"), "2.0.26.307 " + bits);
}

}  // namespace
