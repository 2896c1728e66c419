// Plain values shared by the toolkit's core and its backends: geometry, colours, fonts,
// mouse and key codes. Portable: no system headers.
#pragma once

#include <cstdint>
#include <string>

#include "platform/geometry.h"

namespace ui {

// The same types as the services' (platform/geometry.h), so values pass between them as they are.
using Point = platform::Point;
using Rect = platform::Rect;

// 0x00BBGGRR, or a system colour's own negative number (0xFF000000 | index), resolved when drawn.
using Color = std::int32_t;
inline constexpr Color kClBlack = 0x000000;
inline constexpr Color kClGray = 0x808080;
inline constexpr Color kClWhite = 0xFFFFFF;
inline constexpr Color kClBlue = 0xFF0000;
inline constexpr Color MakeColor(int r, int g, int b) { return Color(r | (g << 8) | (b << 16)); }
inline constexpr Color SystemColor(int index) { return Color(0xFF000000u | unsigned(index)); }
inline constexpr Color kClWindow = SystemColor(5);      // COLOR_WINDOW
inline constexpr Color kClBtnFace = SystemColor(15);    // COLOR_BTNFACE
inline constexpr Color kClWindowText = SystemColor(8);  // COLOR_WINDOWTEXT
// "Take the colour from the active style": the default of every control's colours.
inline constexpr Color kClDefault = Color(0x20000000);

struct Font {
  std::string name = "Segoe UI";
  int size = 9;  // typographic points; the pixel height follows the monitor's DPI
  Color color = kClDefault;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  friend bool operator==(const Font&, const Font&) = default;
};

// Pixel height of a font size in points at a DPI (96 = 100 %), rounded half away from zero:
// 9 pt at 96 DPI is 12 pixels, at 144 DPI 18.
int PointsToPixels(int points, int dpi);

enum class Cursor { Default, Arrow, Hand };
enum class MouseButton { Left, Right, Middle };
enum class Alignment { Left, Center, Right };
enum class VerticalAlignment { Top, Center, Bottom };
enum class Align { None, Client, Top, Bottom, Left, Right };

// Shift state bits of mouse and key events.
enum ShiftState : unsigned { kShiftNone = 0, kShift = 1, kCtrl = 2, kAlt = 4, kLeftButton = 8, kRightButton = 16 };

// Virtual-key codes the portable code tests for (the Win32 values).
namespace key {
inline constexpr int kBack = 0x08, kTab = 0x09, kReturn = 0x0D, kEscape = 0x1B;
inline constexpr int kEnd = 0x23, kHome = 0x24, kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28;
inline constexpr int kDelete = 0x2E;
}  // namespace key

// Modal results, as the Win32 dialog identifiers.
inline constexpr int kMrNone = 0, kMrOk = 1, kMrCancel = 2, kMrYes = 6, kMrNo = 7;

// Extended window styles a form's creation parameters may add (the Win32 values).
namespace exstyle {
inline constexpr std::uint32_t kToolWindow = 0x00000080;
inline constexpr std::uint32_t kTransparent = 0x00000020;
inline constexpr std::uint32_t kAppWindow = 0x00040000;
inline constexpr std::uint32_t kLayered = 0x00080000;
inline constexpr std::uint32_t kNoActivate = 0x08000000;
}  // namespace exstyle

}  // namespace ui
