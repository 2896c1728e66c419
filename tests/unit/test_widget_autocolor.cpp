// The automatic digit colour on the widget: the switch, the timer, the request with its
// busy flag and staleness rule, the worker's path comparison and the applied result.
// Workers and the clock are the headless ones: workers run when a test runs them.
#include <gtest/gtest.h>

#include <functional>

#include "tests/support/image_writer.h"
#include "widget_fixture.h"

namespace {

namespace iw = image_writer;

constexpr ui::Color kWhite = 0xFFFFFF, kBlack = 0x000000;

class AutoColor : public widget_test::WidgetTest {
 protected:
  AutoColor() {
    ColorUpdateBusy = false;
    LastWallpaperPath.clear();
    // Two wallpapers: a dark one (white digits) and a light one (black digits).
    sys.files.AddFile(kDark, iw::Png(4, 4, [](int, int) { return 0x101010u; }));
    sys.files.AddFile(kLight, iw::Png(4, 4, [](int, int) { return 0xF0F0F0u; }));
    sys.desktop.wallpaper = kDark;
  }
  ~AutoColor() override {
    ColorUpdateBusy = false;
    LastWallpaperPath.clear();
  }

  // Start-up with the stored settings; the list's colour is red.
  TForm2& StartAuto(bool on) {
    return StartWith(std::string("[Option]\r\nColorBoxNumber=255\r\nCheckBoxAutoColor=") + (on ? "1" : "0") + "\r\n");
  }
  // Runs every pending worker, then the steps they posted.
  void Settle() {
    sys.threads.RunAll();
    app->ProcessMessages();
  }
  ui::Color Digits() const { return Form1->LabelNumber->GetFont().color; }
  void Tick(std::uint32_t ms) {
    sys.clock.Advance(ms);
    backend.FireTimer(*Form1->Timer2);
  }

  static constexpr const char* kDark = "C:\\Wallpapers\\night.png";
  static constexpr const char* kLight = "C:\\Wallpapers\\snow.png";
};

TEST_F(AutoColor, SwitchingOnSamplesAtOnceAndColoursDigitsAndList) {
  TForm2& d = StartAuto(false);
  EXPECT_FALSE(Form1->Timer2->Enabled());
  EXPECT_EQ(Digits(), 0x0000FF);

  d.CheckBoxAutoColor->SetChecked(true);
  EXPECT_TRUE(Form1->Timer2->Enabled());
  EXPECT_FALSE(d.ColorBoxNumber->Enabled());
  EXPECT_TRUE(ColorUpdateBusy);
  EXPECT_EQ(sys.threads.Pending(), 1u);
  EXPECT_EQ(Digits(), 0x0000FF);  // nothing changes before the worker answers

  Settle();
  EXPECT_FALSE(ColorUpdateBusy);
  EXPECT_EQ(LastWallpaperPath, kDark);
  EXPECT_EQ(Form1->CachedDesktopColor(), 0x101010);
  EXPECT_EQ(Digits(), kWhite);
  EXPECT_EQ(d.ColorBoxNumber->GetColor(), kWhite);
}

TEST_F(AutoColor, StoredOnStartsASamplingAtStartUp) {
  StartAuto(true);
  EXPECT_TRUE(Form1->Timer2->Enabled());
  // Setting the box runs its handler, and the load runs it once more: each one samples.
  EXPECT_GE(sys.threads.started, 1);
  sys.desktop.wallpaper = kLight;
  Settle();
  EXPECT_EQ(Digits(), kBlack);
}

TEST_F(AutoColor, SwitchingOffGivesTheListColourAndItsBackgroundBackAndStopsTheTimer) {
  TForm2& d = StartAuto(false);
  d.CheckBoxAutoColor->SetChecked(true);
  Settle();
  ASSERT_EQ(Digits(), kWhite);
  ASSERT_EQ(d.ColorBoxNumber->GetColor(), kWhite);
  d.CheckBoxAutoColor->SetChecked(false);
  EXPECT_FALSE(Form1->Timer2->Enabled());
  EXPECT_TRUE(d.ColorBoxNumber->Enabled());
  EXPECT_EQ(d.ColorBoxNumber->GetColor(), ui::kClDefault);
  EXPECT_EQ(Digits(), 0x0000FF);
  // The timer is stopped: a tick that still arrives samples nothing.
  const int started = sys.threads.started;
  Tick(1000);
  EXPECT_EQ(sys.threads.started, started);
}

TEST_F(AutoColor, TimerSamplesOnlyWhenThePathChanges) {
  StartAuto(false).CheckBoxAutoColor->SetChecked(true);
  Settle();
  const int decodesBefore = sys.desktop.wallpaperReads;

  // Same path: the worker reads the path once and only clears the flag.
  Tick(1000);
  EXPECT_EQ(sys.threads.Pending(), 1u);
  Settle();
  EXPECT_FALSE(ColorUpdateBusy);
  EXPECT_EQ(sys.desktop.wallpaperReads, decodesBefore + 1);  // no second read for a sampling
  EXPECT_EQ(Digits(), kWhite);

  // Replacing the file under the same path changes nothing.
  sys.files.AddFile(kDark, iw::Png(4, 4, [](int, int) { return 0xFFFFFFu; }));
  Tick(1000);
  Settle();
  EXPECT_EQ(Digits(), kWhite);

  // A new path: sampled at the next tick.
  sys.desktop.wallpaper = kLight;
  Tick(1000);
  Settle();
  EXPECT_EQ(Digits(), kBlack);
  EXPECT_EQ(LastWallpaperPath, kLight);
}

// A wallpaper file replaced under the same path: only switching the box off and on
// samples it again (the documented way to refresh); a tick or a move's end do not.
TEST_F(AutoColor, AFileReplacedUnderTheSamePathIsPickedUpOnlyBySwitchingOffAndOn) {
  struct Case {
    const char* what;
    std::function<void()> after;
    ui::Color digits;
  } cases[] = {
      {"a timer tick", [this] { Tick(1000); }, kWhite},
      {"the end of a move", [this] { sys.clock.Advance(1000), backend.EndMove(*Form1); }, kWhite},
      {"switching off and on",
       [] {
         Form2->CheckBoxAutoColor->SetChecked(false);
         Form2->CheckBoxAutoColor->SetChecked(true);
       },
       kBlack},
  };
  for (const auto& c : cases) {
    sys.files.AddFile(kDark, iw::Png(4, 4, [](int, int) { return 0x101010u; }));
    if (!Form2) StartAuto(false);
    Form2->CheckBoxAutoColor->SetChecked(false);
    Form2->CheckBoxAutoColor->SetChecked(true);
    Settle();
    ASSERT_EQ(Digits(), kWhite) << c.what;
    sys.files.AddFile(kDark, iw::Png(4, 4, [](int, int) { return 0xF0F0F0u; }));  // light now
    c.after();
    Settle();
    EXPECT_EQ(Digits(), c.digits) << c.what;
    EXPECT_EQ(Form2->ColorBoxNumber->GetColor(), c.digits) << c.what;
    sys.clock.Advance(5000);
  }
}

// The disabled list shows the automatic colour as its background whatever the style, and
// the style's field colour again once automatic colour is off.
TEST_F(AutoColor, TheDisabledListShowsTheAutomaticColourUnderEveryStyle) {
  TForm2& d = StartAuto(false);
  auto& styles = ui::StyleManager::Instance();
  struct Case {
    const char* style;
    ui::Color field;  // the list's background with automatic colour off
  } cases[] = {
      {"", ui::kClWindow},
      {"Windows11 Modern Light", ui::MakeColor(0xFF, 0xFF, 0xFF)},
      {"Windows11 Modern Dark", ui::MakeColor(0x2B, 0x2B, 0x2B)},
  };
  for (const auto& c : cases) {
    if (*c.style) styles.SetStyle(c.style);
    for (const char* wallpaper : {kDark, kLight}) {
      sys.desktop.wallpaper = wallpaper;
      d.CheckBoxAutoColor->SetChecked(true);
      Settle();
      EXPECT_FALSE(d.ColorBoxNumber->Enabled());
      EXPECT_EQ(styles.BackgroundOf(*d.ColorBoxNumber), Digits()) << c.style << " " << wallpaper;
      d.CheckBoxAutoColor->SetChecked(false);
      EXPECT_EQ(styles.BackgroundOf(*d.ColorBoxNumber), c.field) << c.style << " " << wallpaper;
    }
  }
}

TEST_F(AutoColor, EarlyTicksAreSkippedAndTicksWhileBusyStartNothing) {
  StartAuto(false).CheckBoxAutoColor->SetChecked(true);
  ASSERT_EQ(sys.threads.started, 1);  // the switch's worker, still in flight
  Tick(999);                           // under a second since the request
  Tick(1);                             // a second: refreshes the time, then dropped while busy
  Tick(1000);
  Tick(5000);                          // even long after: the timer refreshes the time first
  EXPECT_EQ(sys.threads.started, 1);
  Settle();
  Tick(1000);
  EXPECT_EQ(sys.threads.started, 2);
}

TEST_F(AutoColor, StaleBusyFlagLetsAMoveEndThroughAfter3000ms) {
  TForm2& d = StartAuto(false);
  backend.EndMove(*Form1);  // automatic colour off: a move still samples
  ASSERT_EQ(sys.threads.started, 1);
  sys.clock.Advance(3000);
  backend.EndMove(*Form1);
  EXPECT_EQ(sys.threads.started, 1);  // 3000 ms: still counted as in flight
  sys.clock.Advance(1);
  backend.EndMove(*Form1);
  EXPECT_EQ(sys.threads.started, 2);  // 3001 ms: stale

  // Off: the results are kept but the digits keep the list's colour.
  Settle();
  EXPECT_EQ(LastWallpaperPath, kDark);
  EXPECT_EQ(Form1->CachedDesktopColor(), 0x101010);
  EXPECT_EQ(Digits(), 0x0000FF);
  EXPECT_EQ(d.ColorBoxNumber->GetColor(), ui::kClDefault);
}

TEST_F(AutoColor, TickArithmeticSurvivesTheCounterWrapping) {
  sys.clock.now = 0xFFFFFF00u;  // 256 ms before the wrap
  StartAuto(false).CheckBoxAutoColor->SetChecked(true);
  Settle();
  Tick(500);  // now 244: 500 ms since the request, skipped
  EXPECT_EQ(sys.threads.started, 1);
  Tick(500);  // 1000 ms across the wrap
  EXPECT_EQ(sys.threads.started, 2);
  Settle();

  // The staleness rule across the wrap, with the timer off.
  Form2->CheckBoxAutoColor->SetChecked(false);
  sys.clock.now = 0xFFFFFFF0u;
  backend.EndMove(*Form1);
  ASSERT_EQ(sys.threads.started, 3);
  sys.clock.Advance(2000);
  backend.EndMove(*Form1);
  EXPECT_EQ(sys.threads.started, 3);
  sys.clock.Advance(1001);
  backend.EndMove(*Form1);
  EXPECT_EQ(sys.threads.started, 4);
}

TEST_F(AutoColor, EmptyPathSamplesEveryTimeAndGivesBlackDigits) {
  sys.desktop.wallpaper = "";
  StartAuto(false).CheckBoxAutoColor->SetChecked(true);
  Settle();
  EXPECT_EQ(Digits(), kBlack);  // no wallpaper counts as white
  EXPECT_EQ(LastWallpaperPath, "");
  sys.desktop.wallpaper = std::nullopt;  // the call itself fails: the same
  Tick(1000);
  Settle();
  EXPECT_EQ(Digits(), kBlack);
  EXPECT_EQ(Form1->CachedDesktopColor(), 0xFFFFFF);
}

TEST_F(AutoColor, WorkerComparesWithThePathAsItWasAtTheRequest) {
  StartAuto(false).CheckBoxAutoColor->SetChecked(true);
  Settle();
  sys.desktop.wallpaper = kLight;
  Tick(1000);  // the worker's copy: kDark
  // Before it runs, the UI thread applies a result that names kLight.
  Form1->ApplyDesktopColor(kLight, 0xF0F0F0);
  ASSERT_EQ(Digits(), kBlack);
  sys.files.AddFile(kLight, iw::Png(4, 4, [](int, int) { return 0u; }));
  Settle();
  // kLight differs from the copy, so it was sampled again (now dark).
  EXPECT_EQ(Digits(), kWhite);
}

TEST_F(AutoColor, SwitchingOffAndOnStartsASecondWorkerAndBothResultsApplyInArrivalOrder) {
  TForm2& d = StartAuto(false);
  d.CheckBoxAutoColor->SetChecked(true);
  d.CheckBoxAutoColor->SetChecked(false);
  d.CheckBoxAutoColor->SetChecked(true);
  EXPECT_EQ(sys.threads.Pending(), 2u);

  // The newer worker answers first (dark), then the older one (now light).
  sys.threads.RunNewest();
  app->ProcessMessages();
  EXPECT_EQ(Digits(), kWhite);
  EXPECT_FALSE(ColorUpdateBusy);
  sys.desktop.wallpaper = kLight;
  sys.threads.RunOldest();
  app->ProcessMessages();
  EXPECT_EQ(Digits(), kBlack);
  EXPECT_EQ(LastWallpaperPath, kLight);
}

TEST_F(AutoColor, ContrastResolvesSystemColoursFirst) {
  Create();
  sys.desktop.systemColors[5] = 0xFFFFFF;   // COLOR_WINDOW: white
  sys.desktop.systemColors[8] = 0x000000;   // COLOR_WINDOWTEXT: black
  EXPECT_EQ(Form1->GetContrastColor(ui::SystemColor(5)), kBlack);
  EXPECT_EQ(Form1->GetContrastColor(ui::SystemColor(8)), kWhite);
  EXPECT_EQ(Form1->GetContrastColor(0x808080), kWhite);
}

TEST_F(AutoColor, ResultAfterTheDialogIsGoneOnlyStoresIt) {
  Create();  // no settings dialog
  const ui::Color design = Digits();
  Form1->ApplyDesktopColor(kDark, 0x101010);
  EXPECT_EQ(LastWallpaperPath, kDark);
  EXPECT_EQ(Form1->CachedDesktopColor(), 0x101010);
  EXPECT_EQ(Digits(), design);
  backend.FireTimer(*Form1->Timer2);
  EXPECT_EQ(sys.threads.started, 0);
}

}  // namespace
