// The widget window: creation, settings at start and exit, mouse, the tick, size and place.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "settings/ini_file.h"
#include "widget/identity.h"
#include "widget_fixture.h"

namespace {

using widget_test::kSettingsPath;
using widget_test::WidgetTest;

std::string Hex(std::uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(v));
  return buf;
}

// The lines of the call log that start with one of the prefixes, in order.
std::vector<std::string> Only(const headless::CallLog& log, std::initializer_list<std::string> prefixes) {
  std::vector<std::string> out;
  for (const auto& line : log.lines)
    for (const auto& p : prefixes)
      if (line.rfind(p, 0) == 0) out.push_back(line);
  return out;
}

TEST_F(WidgetTest, CreationSetsIdentityTextsAndKeepsTheWidgetAtTheBottom) {
  TForm1& f = Create();
  const std::string bits = identity::BitnessText();
  EXPECT_EQ(f.Caption(), "Cifrona 2.0.26.307 " + bits);
  EXPECT_EQ(f.Name->Caption(), "Cifrona");
  EXPECT_EQ(f.Version->Caption(), "2.0.26.307 " + bits);
  EXPECT_TRUE(sys.calls.Contains("SetWindowPosBottom " + Hex(f.Handle()) + " tick"));
  EXPECT_TRUE(f.ProcessPrioritySet());
  EXPECT_TRUE(sys.process.belowNormal);
  EXPECT_EQ(f.LabelNumber->Caption(), "1");
  // Creation reads the theme keys and writes nothing.
  EXPECT_EQ(sys.files.writes, 0);
}

TEST_F(WidgetTest, FirstStartShowsWhiteDigitalDigitsAtScale100) {
  Start();
  TForm1& f = *Form1;
  const ui::Font font = f.LabelNumber->GetFont();
  EXPECT_EQ(font.name, "Digital Display Regular");
  EXPECT_EQ(font.color, 0xFFFFFF);
  EXPECT_EQ(font.size, 168);
  EXPECT_EQ(f.LabelNumber->GetCursor(), ui::Cursor::Hand);
  EXPECT_EQ(f.Width(), 221);
  EXPECT_EQ(f.Height(), 188);
  EXPECT_EQ(f.Left(), 0);  // neither position choice: the design place
  EXPECT_EQ(f.Top(), 0);
}

TEST_F(WidgetTest, PortableCopyShowsItInTheCaptionOnly) {
  sys.files.AddFile("C:\\Program Files\\Cifrona\\portable.ini", "");
  TForm1& f = Create();
  const std::string bits = identity::BitnessText();
  EXPECT_EQ(f.Caption(), "Cifrona 2.0.26.307 " + bits + " Portable");
  EXPECT_EQ(f.Version->Caption(), "2.0.26.307 " + bits);
}

TEST_F(WidgetTest, PriorityThatCannotBeLoweredIsTriedOnlyOnceAndLeavesTheFlagOff) {
  sys.process.canOpenProcess = false;
  TForm1& f = Create();
  EXPECT_FALSE(f.ProcessPrioritySet());
  EXPECT_FALSE(sys.process.belowNormal);
}

TEST_F(WidgetTest, StoredThemeIsTickedAtStart) {
  sys.files.AddFile(kSettingsPath, "[Option]\r\nThemeAuto=0\r\nThemeLight=0\r\nThemeDark=1\r\n");
  TForm1& f = Create();
  EXPECT_FALSE(f.ThemeAuto->Checked());
  EXPECT_FALSE(f.ThemeLight->Checked());
  EXPECT_TRUE(f.ThemeDark->Checked());
}

TEST_F(WidgetTest, NoStoredThemeLeavesEveryThemeItemUnticked) {
  TForm1& f = Create();
  EXPECT_FALSE(f.ThemeAuto->Checked() || f.ThemeLight->Checked() || f.ThemeDark->Checked());
}

TEST_F(WidgetTest, ExitWritesTheWidgetKeysInOrderAndEndsTheLoop) {
  TForm1& f = Create();
  f.ThemeLight->SetChecked(true);
  f.SetBounds(839, 426, 221, 188);
  f.MenuExit->Click();
  app->RunQueued();
  EXPECT_EQ(Settings(),
            "[Option]\r\nCheckBoxQuickUpdate=1\r\nThemeAuto=0\r\nThemeLight=1\r\nThemeDark=0\r\n"
            "Top=426\r\nLeft=839\r\n\r\n");
  EXPECT_TRUE(app->Terminated());
  EXPECT_TRUE(errors.empty());
}

TEST_F(WidgetTest, ExitKeepsWhatOthersWroteToTheFile) {
  sys.files.AddFile(kSettingsPath, "[Option]\r\nCheckBoxAutoCheck=0\r\n\r\n[Language]\r\nLanguage=English\r\n\r\n");
  TForm1& f = Create();
  f.MenuExit->Click();
  app->RunQueued();
  const std::string s = Settings();
  EXPECT_NE(s.find("CheckBoxAutoCheck=0\r\n"), std::string::npos);
  EXPECT_NE(s.find("[Language]\r\nLanguage=English\r\n"), std::string::npos);
}

TEST_F(WidgetTest, ExitThatCannotWriteTheSettingsSaysSoAndKeepsRunning) {
  sys.files.AddFile(kSettingsPath, "[Option]\r\nThemeDark=1\r\n");
  TForm1& f = Create();
  sys.files.SetReadOnlyFolder("C:\\Users\\User\\AppData\\Roaming\\Cifrona Project\\Cifrona\\Config");
  f.MenuExit->Click();
  app->RunQueued();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Option.ini"), std::string::npos) << errors[0];
  EXPECT_FALSE(app->Terminated());  // still running: nothing the user set is lost
  EXPECT_EQ(Settings(), "[Option]\r\nThemeDark=1\r\n");  // the old file is untouched
  (void)f;
}

TEST_F(WidgetTest, ExitRetriedAfterAFailedWriteSucceeds) {
  TForm1& f = Create();
  sys.files.SetReadOnlyFolder("C:\\Users\\User\\AppData\\Roaming\\Cifrona Project\\Cifrona\\Config");
  f.MenuExit->Click();
  app->RunQueued();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_FALSE(app->Terminated());
  // A new platform state without the fault stands for the user fixing the cause.
  headless::Platform fixed;
  fixed.files.AddFile(fixed.system.exePath, "MZ");
  widget_test::GiveVersion(fixed, u"2.0.26.307");
  f.MenuExit->Click();
  app->RunQueued();
  EXPECT_TRUE(app->Terminated());
  EXPECT_TRUE(fixed.files.ReadAll(kSettingsPath).has_value());
}

TEST_F(WidgetTest, LeftButtonOnTheDigitsStartsTheSystemMove) {
  TForm1& f = Create();
  sys.calls.Clear();
  f.PopupMenu1->SetAutoPopup(false);
  f.LabelNumber->MouseDown(ui::MouseButton::Left, 0, 10, 10);
  EXPECT_EQ(sys.calls.lines, std::vector<std::string>{"StartSystemMove " + Hex(f.Handle())});
  EXPECT_TRUE(f.PopupMenu1->AutoPopup());
}

TEST_F(WidgetTest, RightButtonOpensTheMenuAtTheCursorWithTheWidgetAtTheBottom) {
  TForm1& f = Create();
  sys.calls.Clear();
  sys.windows.cursor = {700, 500};
  f.LabelNumber->MouseDown(ui::MouseButton::Right, 0, 10, 10);
  const auto calls = Only(sys.calls, {"SetForegroundWindow", "SetWindowPosBottom"});
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], "SetForegroundWindow " + Hex(f.Handle()));
  EXPECT_EQ(calls[1], "SetWindowPosBottom " + Hex(f.Handle()) + " menu");  // when the menu opens
  EXPECT_EQ(f.PopupMenu1->PopupComponent(), f.LabelNumber);
  EXPECT_EQ(f.PopupMenu1->PopupPoint(), (ui::Point{700, 500}));
}

TEST_F(WidgetTest, MiddleButtonDoesNothing) {
  TForm1& f = Create();
  sys.calls.Clear();
  f.LabelNumber->MouseDown(ui::MouseButton::Middle, 0, 10, 10);
  EXPECT_TRUE(sys.calls.lines.empty());
}

TEST_F(WidgetTest, TickLocksDrawingAroundItsWork) {
  TForm1& f = Create();
  sys.calls.Clear();
  f.Timer1->Tick();
  const std::string h = Hex(f.Handle());
  EXPECT_EQ(Only(sys.calls, {"LockWindowUpdate", "SetWindowPosBottom", "InvalidateRect"}),
            (std::vector<std::string>{"LockWindowUpdate " + h, "SetWindowPosBottom " + h + " tick",
                                      "InvalidateRect " + h, "LockWindowUpdate 0x0"}));
}

TEST_F(WidgetTest, IdleTickKeepsTheZOrderButNeitherScalesNorRepaints) {
  TForm1& f = Create();
  f.Timer1->Tick();
  const int redraws = f.DigitsRedraws();
  const ui::Font font = f.LabelNumber->GetFont();
  sys.calls.Clear();
  for (int i = 0; i < 3; ++i) f.Timer1->Tick();
  const std::string h = Hex(f.Handle());
  EXPECT_EQ(f.DigitsRedraws(), redraws);
  EXPECT_EQ(f.LabelNumber->GetFont(), font);
  // The lock still ends however the tick does, and the z-order call stays on every tick.
  EXPECT_EQ(Only(sys.calls, {"LockWindowUpdate", "SetWindowPosBottom", "InvalidateRect"}),
            (std::vector<std::string>{"LockWindowUpdate " + h, "SetWindowPosBottom " + h + " tick",
                                      "LockWindowUpdate 0x0", "LockWindowUpdate " + h,
                                      "SetWindowPosBottom " + h + " tick", "LockWindowUpdate 0x0",
                                      "LockWindowUpdate " + h, "SetWindowPosBottom " + h + " tick",
                                      "LockWindowUpdate 0x0"}));
}

TEST(WidgetPicture, EachInputOfTheDigitsPictureMakesTheNextTickRedrawOnce) {
  struct Case {
    const char* what;
    std::function<void(headless::Platform&, TForm1&, TForm2&)> change;
  };
  const std::vector<Case> cases = {
      {"number", [](auto&, TForm1& f, TForm2&) { f.LabelNumber->SetCaption("4321"); }},
      {"font", [](auto&, TForm1& f, TForm2&) { f.ApplyFontIndex(widget::kSystemFontIndex); }},
      {"colour",
       [](auto&, TForm1& f, TForm2&) {
         ui::Font font = f.LabelNumber->GetFont();
         font.color = 0x0000FF;
         f.LabelNumber->SetFont(font);
       }},
      {"scale", [](auto&, TForm1&, TForm2& d) { d.TrackBarScale->SetPosition(150); }},
      {"dpi", [](headless::Platform& sys, TForm1&, TForm2&) { sys.windows.dpi = 144; }},
      {"work area", [](headless::Platform& sys, TForm1&, TForm2&) { sys.windows.workArea = {0, 0, 1280, 680}; }},
      {"window size", [](auto&, TForm1& f, TForm2&) { f.SetBounds(f.Left(), f.Top(), 50, 50); }},
      {"key colour", [](auto&, TForm1& f, TForm2&) { f.SetTransparentColorValue(0x00FF00); }},
      {"theme", [](auto&, TForm1& f, TForm2&) { f.ThemeDarkClick(*f.ThemeDark); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    widget_test::Program run;
    headless::Platform& sys = run.sys;
    TForm2& d = run.Start();
    TForm1& f = *Form1;
    f.Timer1->Tick();
    f.Timer1->Tick();
    const int before = f.DigitsRedraws();
    c.change(sys, f, d);
    sys.calls.Clear();
    f.Timer1->Tick();
    EXPECT_EQ(f.DigitsRedraws(), before + 1);
    EXPECT_TRUE(sys.calls.Contains("InvalidateRect " + Hex(f.Handle())));
    // Drawn once: the following tick finds the picture as drawn.
    sys.calls.Clear();
    f.Timer1->Tick();
    EXPECT_EQ(f.DigitsRedraws(), before + 1);
    EXPECT_FALSE(sys.calls.Contains("InvalidateRect " + Hex(f.Handle())));
    EXPECT_TRUE(sys.calls.Contains("SetWindowPosBottom " + Hex(f.Handle()) + " tick"));
  }
}

TEST_F(WidgetTest, TickCentresOnlyWhenTheCentredChoiceIsOn) {
  TForm2& d = Start();
  TForm1& f = *Form1;
  f.SetBounds(5, 7, f.Width(), f.Height());
  f.Timer1->Tick();
  EXPECT_EQ(f.Left(), 5);
  EXPECT_EQ(f.Top(), 7);
  d.RadioButtonDefaultPosition->Click();
  f.Timer1->Tick();
  EXPECT_EQ(f.Width(), 221);
  EXPECT_EQ(f.Height(), 188);
  EXPECT_EQ(f.Left(), 839);  // 1920 x 1040
  EXPECT_EQ(f.Top(), 426);
}

TEST_F(WidgetTest, FirstScaleCapturesTheDesignSizeOnce) {
  TForm1& f = Create();
  EXPECT_EQ(f.OriginalWidth(), 0);
  f.ApplyScale();
  EXPECT_EQ(f.LabelNumber->GetFont().size, 168);  // 1920 wide, scale 100, F 9
  EXPECT_EQ(f.OriginalWidth(), 221);
  EXPECT_EQ(f.OriginalHeight(), 188);
  // A longer number widens the window; the base stays.
  f.LabelNumber->SetCaption("5000");
  f.ApplyScale();
  EXPECT_EQ(f.OriginalWidth(), 221);
  EXPECT_EQ(f.Width(), f.LabelNumber->TextWidth("5000") + 40);
  EXPECT_GT(f.Width(), 221);
  EXPECT_EQ(f.Height(), 188);
}

TEST_F(WidgetTest, WorkAreaChangeRescalesWithinTheNewLimits) {
  TForm1& f = Create();
  f.ApplyScale();
  sys.windows.workArea = {0, 0, 1280, 200};
  f.SettingChange(ui::SystemSetting::WorkArea, "");
  EXPECT_EQ(f.LabelNumber->GetFont().size, 91);  // S 0.65 now
  EXPECT_EQ(f.Height(), 150);                      // work-area height - 50
  // Another setting leaves the size alone.
  sys.windows.workArea = {0, 0, 1920, 1040};
  f.SettingChange(ui::SystemSetting::Other, "");
  EXPECT_EQ(f.Height(), 150);
}

TEST_F(WidgetTest, HighDpiScalesTheDesignSizeBeforeTheBaseIsTaken) {
  sys.windows.dpi = 144;
  TForm1& f = Create();  // creation scales the design size
  f.ApplyScale();
  EXPECT_EQ(f.OriginalWidth(), 302 + 20);        // 201 at 150 %
  EXPECT_EQ(f.OriginalHeight(), 404 - 9 * 9);    // 269 at 150 %, less 9 x F
}

TEST_F(WidgetTest, DragIsClampedToTheWorkAreaAndTheEndKeepsTheWidgetInside) {
  TForm1& f = Create();
  sys.windows.workArea = {0, 40, 1920, 1080};  // taskbar at the top
  ui::Rect r{-30, 10, 191, 198};
  f.Moving(r);
  EXPECT_EQ(r, (ui::Rect{0, 40, 221, 228}));
  f.SetBounds(1800, 1000, 221, 188);
  f.ExitSizeMove();
  EXPECT_EQ(f.Left(), 1699);
  EXPECT_EQ(f.Top(), 892);
}

TEST_F(WidgetTest, DragNearAnEdgeSnapsToItAndPastAnEdgeStopsThere) {
  TForm1& f = Create();
  struct Case {
    const char* what;
    ui::Rect to, result;
  } cases[] = {
      {"9 from the left snaps", {9, 300, 230, 488}, {0, 300, 221, 488}},
      {"10 from the left does not", {10, 300, 231, 488}, {10, 300, 231, 488}},
      {"near the bottom", {300, 845, 521, 1033}, {300, 852, 521, 1040}},
      {"past the right", {1800, 300, 2021, 488}, {1699, 300, 1920, 488}},
      {"past the top", {300, -50, 521, 138}, {300, 0, 521, 188}},
  };
  for (const Case& c : cases) {
    backend.Move(f, c.to);
    EXPECT_EQ(f.BoundsRect(), c.result) << c.what;
  }
}

TEST_F(WidgetTest, LastPositionComesFromTheFileNotFromWhereTheWidgetIs) {
  sys.files.AddFile(kSettingsPath, "[Option]\r\nTop=300\r\nLeft=2000\r\n");
  TForm2& d = Start();
  TForm1& f = *Form1;
  f.SetBounds(10, 10, 221, 188);
  d.RadioButtonDefaultPosition->Click();
  d.RadioButtonLastPosition->Click();
  EXPECT_TRUE(d.RadioButtonLastPosition->Checked());
  EXPECT_FALSE(d.RadioButtonDefaultPosition->Checked());
  EXPECT_EQ(f.Top(), 300);
  EXPECT_EQ(f.Left(), 1920 - 221);  // brought back into the work area
  EXPECT_EQ(sys.files.writes, 0);
}

TEST_F(WidgetTest, LastPositionWithoutStoredValuesStaysPut) {
  TForm2& d = Start();
  TForm1& f = *Form1;
  f.SetBounds(100, 200, 221, 188);
  d.RadioButtonLastPosition->Click();
  EXPECT_EQ(f.Left(), 100);
  EXPECT_EQ(f.Top(), 200);
}

TEST_F(WidgetTest, FontsComeFromTheExecutableExceptTheSystemFont) {
  TForm1& f = Create();
  sys.calls.Clear();
  f.ApplyFontIndex(6);
  EXPECT_EQ(f.LabelNumber->GetFont().name, "Segoe UI");
  EXPECT_TRUE(Only(sys.calls, {"AddFontFromResource"}).empty());
  f.ApplyFontIndex(0);
  EXPECT_EQ(f.LabelNumber->GetFont().name, "Digital Display Regular");
  f.ApplyFontIndex(3);
  f.ApplyFontIndex(0);  // registered again, and shown again
  EXPECT_EQ(Only(sys.calls, {"AddFontFromResource"}),
            (std::vector<std::string>{"AddFontFromResource 1", "AddFontFromResource 4", "AddFontFromResource 1"}));
  EXPECT_EQ(f.LabelNumber->GetFont().name, "Digital Display Regular");
  // No selection asks for resource 0; a missing resource keeps the font.
  f.ApplyFontIndex(-1);
  sys.windows.fontResources.erase(2);
  f.ApplyFontIndex(1);
  EXPECT_EQ(f.LabelNumber->GetFont().name, "Digital Display Regular");
}

TEST_F(WidgetTest, MouseNotIgnoredGivesTheHandAndClearsTransparency) {
  TForm1& f = Create();
  sys.windows.exStyles[f.Handle()] = 0x080000A0;  // tool window, layered... and transparent
  f.UpdateCursorForAllLabels();
  EXPECT_EQ(f.LabelNumber->GetCursor(), ui::Cursor::Hand);
  EXPECT_EQ(sys.windows.exStyles[f.Handle()], 0x08000080u);
}

}  // namespace
