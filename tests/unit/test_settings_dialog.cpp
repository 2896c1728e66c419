// The settings dialog on the headless toolkit: the start-up load, live changes reaching
// the widget, the number fields' keys and wheel, the slider, "Ok" and the close box,
// and start with Windows.
#include <gtest/gtest.h>

#include "platform/errors.h"
#include "settings_dialog/autostart.h"
#include "settings_dialog/color_list.h"
#include "widget/placement.h"
#include "widget_fixture.h"

namespace {

using platform::RegRoot;
using widget_test::kSettingsPath;
using widget_test::WidgetTest;

constexpr int kVkBack = 0x08, kVkUp = 0x26, kVkDown = 0x28, kVkDelete = 0x2E, kVkHome = 0x24, kVkTab = 0x09;

const std::string& Digits() { return Form1->LabelNumber->Caption(); }
ui::Color DigitColor() { return Form1->LabelNumber->GetFont().color; }
// A point inside control c, on the screen.
ui::Point Over(ui::Control& c) { return c.ClientToScreen({c.Width() / 2, c.Height() / 2}); }

std::string RunEntry(headless::Platform& sys) {
  auto key = sys.registry.Open(RegRoot::CurrentUser, autostart::kRunKey, false);
  if (!key || !key->ValueExists("Cifrona")) return "<none>";
  return key->ReadString("Cifrona").value_or("<not a string>");
}

class SettingsDialogTest : public WidgetTest {
 protected:
  std::string RunEntry() { return ::RunEntry(sys); }
};

// ---- the start-up load ---------------------------------------------------------------

TEST_F(SettingsDialogTest, FirstStartGivesTheDesignValuesAndNoPositionChoice) {
  TForm2& d = Start();
  EXPECT_EQ(d.SpinEditNumber->Value(), 1);
  EXPECT_EQ(Digits(), "1");
  EXPECT_EQ(d.ComboBoxFont->ItemIndex(), 0);
  EXPECT_EQ(Form1->LabelNumber->GetFont().name, "Digital Display Regular");
  EXPECT_EQ(d.TrackBarScale->Position(), 100);
  EXPECT_EQ(d.SpinEditScale->Text(), "100");
  EXPECT_EQ(DigitColor(), ui::kClWhite);
  EXPECT_FALSE(d.CheckBoxAutoColor->Checked() || d.CheckBoxIgnoreMouse->Checked() || d.MenuColorTrayIcon->Checked());
  // Missing keys clear the design choice of "По центру": the widget stays where it is.
  EXPECT_FALSE(d.RadioButtonDefaultPosition->Checked());
  EXPECT_FALSE(d.RadioButtonLastPosition->Checked());
  Form1->Timer1->Tick();
  EXPECT_EQ(Form1->Left(), 0);
  EXPECT_EQ(sys.files.writes, 0);
  EXPECT_TRUE(errors.empty());
}

TEST(SettingsDialogLoad, StoredValuesReachTheWidgetClampedByTheControls) {
  struct Case {
    const char* settings;
    int number, scale, fontIndex;
    const char* fontName;
  } cases[] = {
      {"SpinEditNumber=9999\r\nTrackBarScale=20\r\n", 5000, 30, 0, "Digital Display Regular"},
      {"SpinEditNumber=0\r\nTrackBarScale=900\r\nComboBoxFont=6\r\n", 1, 500, 6, "Segoe UI"},
      {"SpinEditNumber=0x10\r\nTrackBarScale=$96\r\nComboBoxFont=3\r\n", 16, 150, 3, "MOSCOW2024"},
      {"SpinEditNumber=abc\r\nTrackBarScale=\r\nComboBoxFont=2\r\n", 1, 100, 2, "DJB Get Digital"},
      // An index outside the list leaves no selection and the font as it was.
      {"SpinEditNumber=42\r\nComboBoxFont=9\r\n", 42, 100, -1, "Segoe UI"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    widget_test::Program p;
    TForm2& d = p.StartWith(std::string("[Option]\r\n") + c.settings);
    EXPECT_EQ(d.SpinEditNumber->Value(), c.number);
    EXPECT_EQ(Digits(), std::to_string(c.number));
    EXPECT_EQ(d.TrackBarScale->Position(), c.scale);
    EXPECT_EQ(d.SpinEditScale->Value(), c.scale);
    EXPECT_EQ(d.ComboBoxFont->ItemIndex(), c.fontIndex);
    EXPECT_EQ(Form1->LabelNumber->GetFont().name, c.fontName == std::string("Segoe UI") && c.fontIndex == -1
                                                      ? "Segoe UI"  // the label's design font
                                                      : c.fontName);
    EXPECT_EQ(Form1->LabelNumber->GetFont().size, placement::FontSize(c.scale, c.fontIndex, 1920));
  }
}

TEST_F(SettingsDialogTest, BothPositionKeysSetMeansTheLastPositionWins) {
  TForm2& d = StartWith("[Option]\r\nRadioButtonDefaultPosition=1\r\nRadioButtonLastPosition=1\r\nTop=300\r\nLeft=-40\r\n");
  EXPECT_TRUE(d.RadioButtonLastPosition->Checked());
  EXPECT_FALSE(d.RadioButtonDefaultPosition->Checked());
  EXPECT_EQ(Form1->Top(), 300);
  EXPECT_EQ(Form1->Left(), 0);  // kept inside the work area
  Form1->Timer1->Tick();        // and not centred
  EXPECT_EQ(Form1->Left(), 0);
}

TEST_F(SettingsDialogTest, CentredChoiceIsAppliedByTheTick) {
  TForm2& d = StartWith("[Option]\r\nRadioButtonDefaultPosition=1\r\n");
  EXPECT_TRUE(d.RadioButtonDefaultPosition->Checked());
  Form1->Timer1->Tick();
  EXPECT_EQ(Form1->Left(), 839);  // (1920 - 221 - 20) / 2
  EXPECT_EQ(Form1->Top(), 426);
}

TEST(SettingsDialogLoad, StoredColourIsShownAndAnUnknownOneJoinsTheList) {
  struct Case {
    const char* stored;
    ui::Color digits;
    const char* entry;
  } cases[] = {
      {"255", 0x0000FF, "Red"},
      {"-16777211", colors::ListColors()[colors::IndexOf(-16777211)].value, "Window"},  // a system colour
      {"1193046", 0x123456, "#563412"},          // not in the list: added as its own entry
      {"-16777000", ui::kClWhite, "White"},      // no such system colour: nothing to show, white
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    widget_test::Program p;
    TForm2& d = p.StartWith(std::string("[Option]\r\nColorBoxNumber=") + c.stored + "\r\n");
    EXPECT_EQ(DigitColor(), c.digits);
    ASSERT_GE(d.ColorBoxNumber->ItemIndex(), 0);
    EXPECT_EQ(d.ColorBoxNumber->Items()[d.ColorBoxNumber->ItemIndex()].name, c.entry);
  }
}

TEST_F(SettingsDialogTest, AutomaticColourAtStartLeavesTheStoredColourUnreadAndSavesWhite) {
  TForm2& d = StartWith("[Option]\r\nCheckBoxAutoColor=1\r\nColorBoxNumber=255\r\n");
  EXPECT_FALSE(d.ColorBoxNumber->Enabled());
  EXPECT_EQ(d.ColorBoxNumber->Selected(), ui::kClWhite);
  d.CheckBoxAutoColor->Click();  // off: the list's colour comes back to the digits
  EXPECT_TRUE(d.ColorBoxNumber->Enabled());
  EXPECT_EQ(DigitColor(), ui::kClWhite);
  backend.Click(*d.ButtonSave);
  EXPECT_NE(Settings().find("ColorBoxNumber=16777215\r\n"), std::string::npos);
}

// ---- storing ---------------------------------------------------------------------------

TEST_F(SettingsDialogTest, OkWritesEveryKeyInOrderAndHides) {
  TForm2& d = Start();
  d.Show();
  d.SpinEditNumber->SetValue(1234);
  d.MenuColorTrayIcon->SetChecked(true);
  d.RadioButtonLastPosition->Click();
  backend.SelectItem(*d.ComboBoxFont, 4);
  backend.SelectColor(*d.ColorBoxNumber, colors::IndexOf(0x00FFFF));  // Yellow
  backend.MoveSlider(*d.TrackBarScale, 250);
  Form1->SetBounds(40, 60, Form1->Width(), Form1->Height());
  backend.Click(*d.ButtonSave);
  EXPECT_EQ(Settings(),
            "[Option]\r\nCheckBoxQuickUpdate=1\r\nThemeAuto=0\r\nThemeLight=0\r\nThemeDark=0\r\n"
            "MenuColorTrayIcon=1\r\nRadioButtonDefaultPosition=0\r\nRadioButtonLastPosition=1\r\n"
            "CheckBoxIgnoreMouse=0\r\nSpinEditNumber=1234\r\nColorBoxNumber=65535\r\nComboBoxFont=4\r\n"
            "TrackBarScale=250\r\nCheckBoxAutoColor=0\r\nTop=60\r\nLeft=40\r\n\r\n");
  EXPECT_FALSE(d.Visible());
  EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsDialogTest, CloseBoxHidesWithoutWritingAndTheChangesStayInEffect) {
  TForm2& d = Start();
  Form1->Settings->Click();
  app->RunQueued();
  EXPECT_TRUE(d.Visible());
  d.SpinEditNumber->SetValue(77);
  backend.CloseBox(d);
  EXPECT_FALSE(d.Visible());
  EXPECT_EQ(sys.files.writes, 0);
  EXPECT_EQ(Digits(), "77");
  Form1->Settings->Click();  // shown again
  app->RunQueued();
  EXPECT_TRUE(d.Visible());
  Form1->MenuExit->Click();  // the exit writes what the dialog holds
  app->RunQueued();
  EXPECT_NE(Settings().find("SpinEditNumber=77\r\n"), std::string::npos);
}

TEST_F(SettingsDialogTest, EnterStoresAndHidesEscapeOnlyHides) {
  TForm2& d = Start();
  d.Show();
  backend.Key(*d.SpinEditNumber, kVkUp);
  backend.Key(*d.SpinEditNumber, ui::key::kEscape);  // the number field lets Escape through
  EXPECT_FALSE(d.Visible());
  EXPECT_EQ(sys.files.writes, 0);
  d.Show();
  backend.Key(*d.SpinEditNumber, ui::key::kReturn);
  EXPECT_FALSE(d.Visible());
  EXPECT_NE(Settings().find("SpinEditNumber=2\r\n"), std::string::npos);
}

// ---- the number fields ------------------------------------------------------------------

TEST_F(SettingsDialogTest, NumberFieldsLetOnlyEditingAndNavigationKeysThrough) {
  for (int key = 1; key < 256; ++key) {
    const bool allowed = key == 0x08 || key == 0x09 || key == 0x0D || key == 0x1B || (key >= 0x25 && key <= 0x28) ||
                         key == 0x2E;
    EXPECT_EQ(settings_dialog::SpinEditKeyAllowed(key), allowed) << key;
  }
  TForm2& d = Start();
  for (char16_t ch : {u'7', u'a', u'-', u'\b'}) {
    backend.Char(*d.SpinEditNumber, ch);
    backend.Char(*d.SpinEditScale, ch);
  }
  EXPECT_EQ(d.SpinEditNumber->Text(), "1");
  EXPECT_EQ(d.SpinEditScale->Text(), "100");
}

TEST_F(SettingsDialogTest, DeletingDigitsShowsWhatIsLeftUntilTheFieldIsLeft) {
  TForm2& d = StartWith("[Option]\r\nSpinEditNumber=1000\r\n");
  backend.Focus(*d.SpinEditNumber);
  backend.Key(*d.SpinEditNumber, kVkHome);
  backend.Key(*d.SpinEditNumber, kVkDelete);
  EXPECT_EQ(d.SpinEditNumber->Text(), "000");
  EXPECT_EQ(Digits(), "0");
  backend.Focus(*d.SpinEditScale);  // leaving writes the clamped value back
  EXPECT_EQ(d.SpinEditNumber->Text(), "1");
  EXPECT_EQ(Digits(), "1");

  // An empty field reads as the minimum and stays empty.
  backend.Focus(*d.SpinEditNumber);
  backend.Key(*d.SpinEditNumber, kVkHome);
  backend.Key(*d.SpinEditNumber, kVkDelete);
  EXPECT_EQ(d.SpinEditNumber->Text(), "");
  backend.Key(*d.SpinEditNumber, kVkTab);
  backend.Focus(*d.SpinEditScale);
  EXPECT_EQ(d.SpinEditNumber->Text(), "");
  EXPECT_EQ(d.SpinEditNumber->Value(), 1);
}

TEST_F(SettingsDialogTest, UpAndDownStepByOneAndNeverLeaveTheRange) {
  TForm2& d = StartWith("[Option]\r\nSpinEditNumber=4999\r\n");
  int changes = 0;
  auto previous = d.SpinEditNumber->OnChange;
  d.SpinEditNumber->OnChange = [&](ui::Component& s) { ++changes, previous(s); };
  backend.Key(*d.SpinEditNumber, kVkUp);
  backend.Key(*d.SpinEditNumber, kVkUp);
  EXPECT_EQ(Digits(), "5000");
  EXPECT_EQ(changes, 1);  // the step past 5000 changed nothing and fired nothing
  backend.Key(*d.SpinEditScale, kVkDown);
  EXPECT_EQ(d.TrackBarScale->Position(), 99);
  (void)kVkBack;
}

// ---- the wheel and the slider --------------------------------------------------------------

TEST_F(SettingsDialogTest, WheelOverANumberFieldStepsItOncePerMessageWhateverHasTheFocus) {
  TForm2& d = Start();
  backend.Focus(*d.TrackBarScale);
  // The slider has the focus and receives the message, but the pointer is over the field.
  backend.Wheel(*d.TrackBarScale, 240, Over(*d.SpinEditNumber));
  EXPECT_EQ(Digits(), "2");
  EXPECT_EQ(d.TrackBarScale->Position(), 100);
  EXPECT_EQ(backend.Focused(), d.SpinEditNumber);
  EXPECT_EQ(d.SpinEditNumber->SelLength(), 1);  // the whole text selected
  backend.Wheel(*d.SpinEditNumber, -30, Over(*d.SpinEditNumber));
  EXPECT_EQ(Digits(), "1");
  backend.Wheel(*d.SpinEditNumber, -120, Over(*d.SpinEditNumber));
  EXPECT_EQ(Digits(), "1");  // the minimum holds
  backend.Wheel(*d.SpinEditScale, 120, Over(*d.SpinEditScale));
  EXPECT_EQ(d.TrackBarScale->Position(), 101);
}

TEST_F(SettingsDialogTest, WheelOverTheSliderMovesItByWholeNotches) {
  TForm2& d = Start();
  struct Case {
    int delta, position;
  } cases[] = {{240, 102}, {60, 102}, {-120, 101}, {-359, 99}, {120 * 500, 500}};
  for (const Case& c : cases) {
    backend.Wheel(*d.TrackBarScale, c.delta, Over(*d.TrackBarScale));
    EXPECT_EQ(d.TrackBarScale->Position(), c.position) << c.delta;
    EXPECT_EQ(d.SpinEditScale->Value(), c.position);
    EXPECT_EQ(d.TrackBarScale->Hint(), std::to_string(c.position));
  }
  EXPECT_TRUE(d.TrackBarScale->ShowHint());
}

TEST_F(SettingsDialogTest, LeftPressPutsTheSliderAtTheScaledPointerPosition) {
  struct Case {
    int x, width, position;
  } cases[] = {
      {14, 228, 0}, {214, 228, 500}, {114, 228, 250},
      {15, 228, 2},   // 2.5: ties go to the even neighbour
      {17, 228, 8},   // 7.5
      {0, 228, -35},  // left of the margin: clamped by the slider
  };
  for (const Case& c : cases)
    EXPECT_EQ(settings_dialog::TrackBarClickPosition(c.x, c.width), c.position) << c.x;

  TForm2& d = Start();
  const int w = d.TrackBarScale->Width();
  backend.MouseDown(*d.TrackBarScale, ui::MouseButton::Left, 14, 5);
  EXPECT_EQ(d.TrackBarScale->Position(), 30);
  backend.MouseDown(*d.TrackBarScale, ui::MouseButton::Left, w - 14, 5);
  EXPECT_EQ(d.TrackBarScale->Position(), 500);
  EXPECT_EQ(d.SpinEditScale->Value(), 500);
  backend.MouseDown(*d.TrackBarScale, ui::MouseButton::Right, 14, 5);
  EXPECT_EQ(d.TrackBarScale->Position(), 500);
}

TEST_F(SettingsDialogTest, ScaleFieldAndSliderFollowEachOtherAndTheWidget) {
  TForm2& d = Start();
  backend.MoveSlider(*d.TrackBarScale, 200);
  EXPECT_EQ(d.SpinEditScale->Text(), "200");
  EXPECT_EQ(Form1->LabelNumber->GetFont().size, placement::FontSize(200, 0, 1920));
  EXPECT_EQ(Form1->Height(), 2 * 188);
  d.SpinEditScale->SetText("900");  // out of range: the slider clamps and the field follows it
  EXPECT_EQ(d.TrackBarScale->Position(), 500);
  EXPECT_EQ(d.SpinEditScale->Text(), "500");
  EXPECT_EQ(d.TrackBarScale->Hint(), "500");
}

// ---- font, colour and options ------------------------------------------------------------

TEST_F(SettingsDialogTest, FontChoiceAppliesTheFontAndItsSize) {
  TForm2& d = Start();
  backend.SelectItem(*d.ComboBoxFont, 6);
  EXPECT_EQ(Form1->LabelNumber->GetFont().name, "Segoe UI");
  EXPECT_EQ(Form1->LabelNumber->GetFont().size, placement::FontSize(100, 6, 1920));
  backend.SelectItem(*d.ComboBoxFont, 1);
  EXPECT_EQ(Form1->LabelNumber->GetFont().name, "Digital-7");
}

TEST_F(SettingsDialogTest, ColourChoiceColoursTheDigitsUnlessTheColourIsAutomatic) {
  TForm2& d = Start();
  backend.SelectColor(*d.ColorBoxNumber, colors::IndexOf(0x0000FF));
  EXPECT_EQ(DigitColor(), 0x0000FF);
  d.CheckBoxAutoColor->Click();
  EXPECT_FALSE(d.ColorBoxNumber->Enabled());
  d.ColorBoxNumber->SetSelected(0x00FF00);  // set from code while automatic: digits untouched
  d.ColorBoxNumberClick(*d.ColorBoxNumber);
  EXPECT_EQ(DigitColor(), 0x0000FF);
  d.CheckBoxAutoColor->Click();
  EXPECT_EQ(DigitColor(), 0x00FF00);
}

TEST_F(SettingsDialogTest, IgnoringTheMouseMakesTheWidgetTransparentToItAndSilencesTheMenu) {
  TForm2& d = Start();
  const std::uintptr_t h = Form1->Handle();
  d.CheckBoxIgnoreMouse->Click();
  EXPECT_TRUE(sys.windows.exStyles[h] & ui::exstyle::kTransparent);
  EXPECT_EQ(Form1->LabelNumber->GetCursor(), ui::Cursor::Default);
  sys.calls.Clear();
  backend.MouseDown(*Form1->LabelNumber, ui::MouseButton::Left, 10, 10);
  backend.MouseDown(*Form1->LabelNumber, ui::MouseButton::Right, 10, 10);
  EXPECT_FALSE(sys.calls.Contains("StartSystemMove " + std::to_string(h)));
  EXPECT_TRUE(backend.popups.empty());
  EXPECT_FALSE(Form1->PopupMenu1->AutoPopup());
  d.CheckBoxIgnoreMouse->Click();
  EXPECT_FALSE(sys.windows.exStyles[h] & ui::exstyle::kTransparent);
  EXPECT_EQ(Form1->LabelNumber->GetCursor(), ui::Cursor::Hand);
}

TEST_F(SettingsDialogTest, StoredIgnoreMouseIsAppliedAtStart) {
  StartWith("[Option]\r\nCheckBoxIgnoreMouse=1\r\n");
  EXPECT_TRUE(sys.windows.exStyles[Form1->Handle()] & ui::exstyle::kTransparent);
}

// ---- start with Windows ------------------------------------------------------------------

TEST(SettingsDialogAutostart, ExistingRunEntriesAreRecognisedAndRewrittenAsTheBarePath) {
  const std::string exe = "C:\\Program Files\\Cifrona\\Cifrona.exe";
  std::string upper = exe;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  struct Case {
    std::string stored;
    bool ticked;
    std::string after;
  } cases[] = {
      {exe, true, exe},
      {upper, true, exe},
      {"\"" + exe + "\"", true, exe},
      {exe + " -min", true, exe},  // the argument is lost
      {"\"" + exe + "\" -min", false, "\"" + exe + "\" -min"},
      {"D:\\Other\\Cifrona.exe", false, "D:\\Other\\Cifrona.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    widget_test::Program p;
    ASSERT_EQ(p.sys.system.exePath, exe);
    p.sys.registry.SetString(RegRoot::CurrentUser, autostart::kRunKey, "Cifrona", c.stored);
    TForm2& d = p.Start();
    EXPECT_EQ(d.MenuAutostart->Checked(), c.ticked);
    EXPECT_EQ(RunEntry(p.sys), c.after);
  }
}

TEST_F(SettingsDialogTest, TickingWritesAndUntickingDeletesWhicheverCopyWroteIt) {
  sys.registry.SetString(RegRoot::CurrentUser, autostart::kRunKey, "Cifrona", "D:\\Other\\Cifrona.exe");
  TForm2& d = Start();
  EXPECT_FALSE(d.MenuAutostart->Checked());
  d.MenuAutostart->Click();
  EXPECT_EQ(RunEntry(), sys.system.exePath);
  d.MenuAutostart->Click();
  EXPECT_EQ(RunEntry(), "<none>");
  EXPECT_EQ(sys.files.writes, 0);  // lives in the registry only
}

TEST_F(SettingsDialogTest, NoRunEntryMeansNothingIsWrittenAtStart) {
  Start();
  EXPECT_FALSE(sys.registry.HasKey(RegRoot::CurrentUser, autostart::kRunKey));
}

TEST_F(SettingsDialogTest, RunEntryThatCannotBeWrittenIsReportedAndTheBoxKeepsTheUsersState) {
  TForm2& d = Start();
  sys.registry.KeyAt(RegRoot::CurrentUser, autostart::kRunKey).writesFail = true;
  backend.Click(*d.MenuAutostart);
  ASSERT_EQ(backend.errorBoxes.size() + errors.size(), 1u);
  const std::string text = errors.empty() ? backend.errorBoxes[0].text : errors[0];
  EXPECT_EQ(text, "Failed to set data for 'Cifrona'");
  EXPECT_TRUE(d.MenuAutostart->Checked());
}

TEST_F(SettingsDialogTest, RunEntryThatCannotBeRewrittenAtStartStillLoadsTheSettings) {
  sys.registry.SetString(RegRoot::CurrentUser, autostart::kRunKey, "Cifrona", "\"" + sys.system.exePath + "\"");
  sys.registry.KeyAt(RegRoot::CurrentUser, autostart::kRunKey).writesFail = true;
  StartWith("[Option]\r\nSpinEditNumber=321\r\n");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Failed to set data for 'Cifrona'");
  EXPECT_EQ(Digits(), "321");
}

}  // namespace
