// The rules controls keep whatever the backend: values set from code, clamping, groups.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/ui/headless/headless_ui.h"

namespace {

struct Fixture : ::testing::Test {
  ui::headless::Backend backend;
  ui::Form form{"FormTest"};
  std::vector<std::string> calls;
  ui::NotifyEvent Record(const std::string& what) {
    return [this, what](ui::Component&) { calls.push_back(what); };
  }
};

using CheckBoxTest = Fixture;

TEST_F(CheckBoxTest, RunsItsClickHandlerOnEveryChangeOfStateFromCodeOrUser) {
  auto& box = form.Create<ui::CheckBox>("CheckBoxAutoColor");
  box.OnClick = [&](ui::Component&) { calls.push_back(box.Checked() ? "on" : "off"); };
  box.SetChecked(false);  // unchanged: nothing runs
  box.SetChecked(true);
  box.SetChecked(true);
  backend.Click(box);
  backend.Click(box);
  EXPECT_EQ(calls, (std::vector<std::string>{"on", "off", "on"}));
}

using RadioButtonTest = Fixture;

TEST_F(RadioButtonTest, SelectingClearsSiblingsOfTheSameParentOnlyAndRunsItsHandler) {
  auto& group = form.Create<ui::GroupBox>("GroupBox3");
  auto& centre = form.Create<ui::RadioButton>("RadioButtonDefaultPosition");
  auto& last = form.Create<ui::RadioButton>("RadioButtonLastPosition");
  auto& elsewhere = form.Create<ui::RadioButton>("RadioButtonElsewhere");  // parent: the form
  centre.SetParent(&group);
  last.SetParent(&group);
  centre.OnClick = Record("centre");
  last.OnClick = Record("last");
  elsewhere.SetChecked(true);
  centre.SetChecked(true);
  last.SetChecked(true);
  EXPECT_FALSE(centre.Checked());
  EXPECT_TRUE(last.Checked());
  EXPECT_TRUE(elsewhere.Checked());
  last.SetChecked(true);     // already selected: no handler
  centre.SetChecked(false);  // clearing: no handler
  backend.Click(last);
  EXPECT_EQ(calls, (std::vector<std::string>{"centre", "last"}));
}

TEST_F(RadioButtonTest, TabReachesTheSelectedButtonOrTheFirstWhenNoneIsSelected) {
  auto& group = form.Create<ui::GroupBox>("GroupBox3");
  auto& centre = form.Create<ui::RadioButton>("RadioButtonDefaultPosition");
  auto& last = form.Create<ui::RadioButton>("RadioButtonLastPosition");
  centre.SetParent(&group);
  last.SetParent(&group);
  centre.SetChecked(true);
  EXPECT_TRUE(centre.TabStop());
  EXPECT_FALSE(last.TabStop());
  last.SetChecked(true);
  EXPECT_FALSE(centre.TabStop());
  EXPECT_TRUE(last.TabStop());
  last.SetChecked(false);  // none selected: the group is still reached, at its first button
  EXPECT_TRUE(centre.TabStop());
  EXPECT_FALSE(last.TabStop());
}

using SpinEditTest = Fixture;

TEST_F(SpinEditTest, ReadsItsTextWithTheMinimumForEmptyOrForeignTextAndKeepsOutOfRangeUntilSet) {
  auto& spin = form.Create<ui::SpinEdit>("SpinEditNumber");
  spin.SetMinValue(1);
  spin.SetMaxValue(5000);
  struct Case {
    const char* text;
    int value;
  } cases[] = {{"", 1}, {"abc", 1}, {"12a", 1}, {"000", 0}, {"9999", 9999}, {" 42 ", 42}, {"-7", -7},
               {"99999999999", 1}, {"+5", 5}};
  for (const auto& c : cases) {
    spin.SetText(c.text);
    EXPECT_EQ(spin.Value(), c.value) << '"' << c.text << '"';
  }
  struct Set {
    int in;
    const char* text;
  } sets[] = {{9999, "5000"}, {0, "1"}, {-3, "1"}, {1234, "1234"}};
  for (const auto& s : sets) {
    spin.SetValue(s.in);
    EXPECT_EQ(spin.Text(), s.text) << s.in;
  }
}

TEST_F(SpinEditTest, ChangeHandlerRunsOnlyWhenTheTextChanges) {
  auto& spin = form.Create<ui::SpinEdit>("SpinEditScale");
  spin.SetMinValue(30);
  spin.SetMaxValue(500);
  spin.SetValue(100);
  spin.OnChange = [&](ui::Component&) { calls.push_back(spin.Text()); };
  spin.SetValue(100);  // same text
  spin.SetValue(900);  // clamped to 500
  spin.SetValue(501);  // clamped to the same 500: no change
  spin.StepUp();       // at the top: nothing
  spin.StepDown();
  EXPECT_EQ(calls, (std::vector<std::string>{"500", "499"}));
}

TEST_F(SpinEditTest, UpAndDownStepBeforeTheKeyFilterAndLeavingWritesBackTheClampedValue) {
  auto& spin = form.Create<ui::SpinEdit>("SpinEditNumber");
  auto& other = form.Create<ui::Button>("ButtonSave");
  form.CreateHandle();
  spin.SetMinValue(1);
  spin.SetMaxValue(5000);
  spin.SetValue(1000);
  std::vector<int> seen;
  // The dialog's filter: only editing and navigation keys pass, no character at all.
  spin.OnKeyDown = [&](ui::Component&, int& key, unsigned) {
    seen.push_back(key);
    static const int pass[] = {ui::key::kBack, ui::key::kLeft, ui::key::kUp, ui::key::kRight, ui::key::kDown,
                               ui::key::kDelete, ui::key::kTab, ui::key::kReturn, ui::key::kEscape};
    if (std::find(std::begin(pass), std::end(pass), key) == std::end(pass)) key = 0;
  };
  spin.OnKeyPress = [](ui::Component&, char16_t& ch) { ch = 0; };
  backend.Focus(spin);
  backend.Key(spin, ui::key::kUp);
  EXPECT_EQ(spin.Text(), "1001");
  backend.Key(spin, ui::key::kDown);
  backend.Char(spin, u'7');
  EXPECT_EQ(spin.Text(), "1000");
  // Erase the leading "1" of 1000: "000" reads 0 while the field has the focus...
  spin.SetSelection(0, 0);
  backend.Key(spin, ui::key::kHome);  // discarded by the filter: the caret stays
  backend.Key(spin, ui::key::kDelete);
  EXPECT_EQ(spin.Text(), "000");
  EXPECT_EQ(spin.Value(), 0);
  // ...and leaving it writes back 1.
  backend.Focus(other);
  EXPECT_EQ(spin.Text(), "1");
  // An empty field reads as the minimum, which is in range: it stays empty.
  backend.Focus(spin);
  spin.SetSelection(0, 1);
  backend.Key(spin, ui::key::kBack);
  backend.Focus(other);
  EXPECT_EQ(spin.Text(), "");
  EXPECT_EQ(spin.Value(), 1);
  EXPECT_EQ(seen, (std::vector<int>{ui::key::kUp, ui::key::kDown, ui::key::kHome, ui::key::kDelete, ui::key::kBack}));
}

using TrackBarTest = Fixture;

TEST_F(TrackBarTest, ClampsAndNotifiesOnlyRealMoves) {
  auto& slider = form.Create<ui::TrackBar>("TrackBarScale");
  slider.SetMax(500);
  slider.SetMin(30);
  EXPECT_EQ(slider.Position(), 30);  // pulled into the new range without a notification
  slider.OnChange = [&](ui::Component&) { calls.push_back(std::to_string(slider.Position())); };
  slider.SetPosition(100);
  slider.SetPosition(100);
  slider.SetPosition(20);
  slider.SetPosition(10);  // 30 again: nothing
  backend.MoveSlider(slider, 900);
  EXPECT_EQ(calls, (std::vector<std::string>{"100", "30", "500"}));
}

using ListTest = Fixture;

TEST_F(ListTest, ComboIndexAndColourFromCodeRunNoHandlerAndForeignValuesLeaveNoSelection) {
  auto& combo = form.Create<ui::ComboBox>("ComboBoxFont");
  combo.SetItems({"Digital-7", "Segoe UI"});
  combo.OnChange = Record("combo");
  combo.SetItemIndex(1);
  EXPECT_EQ(combo.Text(), "Segoe UI");
  combo.SetItemIndex(7);
  EXPECT_EQ(combo.ItemIndex(), -1);
  EXPECT_EQ(combo.Text(), "");
  backend.SelectItem(combo, 0);
  EXPECT_EQ(combo.Text(), "Digital-7");

  auto& colours = form.Create<ui::ColorBox>("ColorBoxNumber");
  colours.SetItems({{"clBlack", ui::kClBlack}, {"clWhite", ui::kClWhite}});
  colours.OnClick = Record("colour");
  colours.SetSelected(ui::kClWhite);
  EXPECT_EQ(colours.ItemIndex(), 1);
  colours.SetSelected(ui::MakeColor(1, 2, 3));
  EXPECT_EQ(colours.ItemIndex(), -1);
  EXPECT_EQ(colours.Selected(), ui::MakeColor(1, 2, 3));  // kept, not lost
  backend.SelectColor(colours, 0);
  EXPECT_EQ(colours.Selected(), ui::kClBlack);
  EXPECT_EQ(calls, (std::vector<std::string>{"combo", "colour"}));
}

using MenuTest = Fixture;

TEST_F(MenuTest, AutoCheckRadioItemsToggleFirstThenRunTheirHandlerAndClearTheirGroup) {
  auto& menu = form.Create<ui::PopupMenu>("PopupMenu1");
  auto& theme = form.Create<ui::MenuItem>("ThemeMenu");
  menu.Add(theme);
  ui::MenuItem* items[3];
  const char* names[] = {"ThemeAuto", "ThemeLight", "ThemeDark"};
  for (int i = 0; i < 3; ++i) {
    items[i] = &form.Create<ui::MenuItem>(names[i]);
    items[i]->SetRadioItem(true);
    items[i]->SetAutoCheck(true);
    items[i]->SetGroupIndex(1);
    theme.Add(*items[i]);
    items[i]->OnClick = [&, i](ui::Component&) {
      calls.push_back(std::string(names[i]) + (items[i]->Checked() ? "+" : "-"));
    };
  }
  auto& other = form.Create<ui::MenuItem>("Other");  // another group under the same parent
  other.SetRadioItem(true);
  other.SetGroupIndex(2);
  theme.Add(other);
  other.SetChecked(true);

  items[0]->SetChecked(true);
  backend.ChooseMenuItem(*items[2]);
  EXPECT_TRUE(items[2]->Checked());
  EXPECT_FALSE(items[0]->Checked());
  EXPECT_TRUE(other.Checked());
  backend.ChooseMenuItem(*items[2]);  // the mark toggles off first, as the handler then sees
  EXPECT_EQ(calls, (std::vector<std::string>{"ThemeDark+", "ThemeDark-"}));

  items[1]->SetEnabled(false);
  backend.ChooseMenuItem(*items[1]);
  EXPECT_EQ(calls.size(), 2u);
}

TEST_F(MenuTest, RunTimeItemsBelongToTheirSubmenuAndClearDestroysThem) {
  auto& menu = form.Create<ui::PopupMenu>("PopupMenu1");
  auto& languages = form.Create<ui::MenuItem>("LanguageMenu");
  menu.Add(languages);
  auto& english = languages.CreateItem("English");
  english.SetCaption("English");
  EXPECT_EQ(english.Owner(), &languages);
  EXPECT_EQ(english.OwnerForm(), &form);
  EXPECT_EQ(form.FindComponent("English"), nullptr);  // not the form's
  auto token = english.AliveToken();
  languages.Clear();
  EXPECT_TRUE(languages.Items().empty());
  EXPECT_TRUE(token.expired());
}

TEST_F(MenuTest, AClickQueuedForAnItemDestroyedMeanwhileIsDropped) {
  ui::Application app;
  auto& menu = form.Create<ui::PopupMenu>("PopupMenu1");
  auto& languages = form.Create<ui::MenuItem>("LanguageMenu");
  menu.Add(languages);
  auto& item = languages.CreateItem("Deutsch");
  item.OnClick = Record("clicked");
  backend.ChooseMenuItem(item);
  EXPECT_TRUE(calls.empty());  // queued, as Windows posts the command
  languages.Clear();
  app.ProcessMessages();
  EXPECT_TRUE(calls.empty());
}

TEST(TextProperties, EachKindHasItsOwnSetAndOthersAreRefused) {
  ui::Form form("FormTest");
  auto& label = form.Create<ui::Label>("LabelVersion");
  auto& spin = form.Create<ui::SpinEdit>("SpinEditNumber");
  auto& item = form.Create<ui::MenuItem>("MenuExit");
  EXPECT_TRUE(label.SetTextProperty("Caption", "x"));
  EXPECT_TRUE(label.SetTextProperty("Hint", "h"));
  EXPECT_FALSE(label.SetTextProperty("Text", "t"));
  EXPECT_FALSE(label.HasTextProperty("TextHint"));
  EXPECT_EQ(label.Caption(), "x");
  EXPECT_TRUE(spin.SetTextProperty("Text", "12"));
  EXPECT_FALSE(spin.HasTextProperty("Caption"));
  EXPECT_EQ(spin.Value(), 12);
  EXPECT_EQ(item.GetTextProperty("Caption"), "");
  EXPECT_TRUE(form.SetTextProperty("Caption", "Настройки"));
  EXPECT_EQ(form.Caption(), "Настройки");
}

using HintTest = Fixture;

// The settings dialog's slider shows its position as its hint while it moves; the
// translation engine sets hints by name. Every real change must reach the tooltip at once.
TEST_F(HintTest, ChangesOfTheHintOrOfShowHintReachThePeerAndTheHintShowsOnlyWhenOnAndNotEmpty) {
  auto& slider = form.Create<ui::TrackBar>("TrackBarScale");
  form.Handle();
  struct Step {
    const char* what;
    std::function<void()> act;
    bool shown;
    bool reachesPeer;
  };
  const Step steps[] = {
      {"hint while off", [&] { slider.SetHint("100"); }, false, true},
      {"switched on", [&] { slider.SetShowHint(true); }, true, true},
      {"same hint again", [&] { slider.SetHint("100"); }, true, false},
      {"same switch again", [&] { slider.SetShowHint(true); }, true, false},
      {"new hint while on", [&] { slider.SetHint("101"); }, true, true},
      {"hint by name", [&] { slider.SetTextProperty("Hint", "250"); }, true, true},
      {"emptied", [&] { slider.SetHint(""); }, false, true},
      {"refilled", [&] { slider.SetHint("500"); }, true, true},
      {"switched off", [&] { slider.SetShowHint(false); }, false, true},
  };
  for (const Step& step : steps) {
    backend.log.clear();
    step.act();
    EXPECT_EQ(slider.HintShown(), step.shown) << step.what;
    const bool reached = std::find(backend.log.begin(), backend.log.end(), "TrackBarScale.Hint") != backend.log.end();
    EXPECT_EQ(reached, step.reachesPeer) << step.what;
  }
  EXPECT_EQ(slider.GetTextProperty("Hint"), "500");
}

TEST(Snap, EdgesWithinTheDistanceGoOntoTheWorkAreaAndTheOriginIsLeftAlone) {
  const ui::Rect work{0, 0, 1920, 1040};
  struct Case {
    ui::Rect in, out;
  } cases[] = {
      {{9, 500, 109, 600}, {0, 500, 100, 600}},          // near the left edge
      {{10, 500, 110, 600}, {10, 500, 110, 600}},        // exactly 10 away: stays
      {{1815, 935, 1915, 1035}, {1820, 940, 1920, 1040}},  // near right and bottom
      {{0, 0, 100, 100}, {0, 0, 100, 100}},
  };
  for (const auto& c : cases) EXPECT_EQ(ui::SnapToWorkArea(c.in, work, 10), c.out) << c.in.left << "," << c.in.top;
}

}  // namespace
