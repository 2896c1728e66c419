// The theme: the registry tests, the theme menu and its stored flags, the style that
// follows the apps' mode on a setting change, and the two built-in styles.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <variant>

#include "info/unit_about.h"
#include "platform/errors.h"
#include "widget/windows_dark_mode.h"
#include "widget_fixture.h"

namespace {

using platform::RegRoot;
using widget_test::WidgetTest;
using WindowsDarkMode::kStyleDark;
using WindowsDarkMode::kStyleLight;

constexpr const char* kKey = WindowsDarkMode::kPersonalizeKey;
constexpr unsigned kRegBinary = 3, kRegQword = 11;

// A registry value as a test gives it: missing, a DWORD, a text, or raw data of a type and size.
struct Raw {
  unsigned type;
  std::size_t size;
};
using Value = std::variant<std::monostate, int, const char*, Raw>;

void SetValue(headless::Platform& sys, const char* name, const Value& v) {
  auto& values = sys.registry.KeyAt(RegRoot::CurrentUser, kKey).values;
  for (auto it = values.begin(); it != values.end();) it = it->second.name == name ? values.erase(it) : std::next(it);
  if (auto* n = std::get_if<int>(&v)) sys.registry.SetInteger(RegRoot::CurrentUser, kKey, name, *n);
  if (auto* t = std::get_if<const char*>(&v)) sys.registry.SetString(RegRoot::CurrentUser, kKey, name, *t);
  if (auto* r = std::get_if<Raw>(&v)) sys.registry.SetRaw(RegRoot::CurrentUser, kKey, name, r->type, r->size);
}

std::string Active() { return ui::StyleManager::Instance().ActiveName(); }

std::string Marked(const TForm1& f) {
  std::string m;
  for (const ui::MenuItem* item : {f.ThemeAuto, f.ThemeLight, f.ThemeDark})
    if (item->Checked()) m += (m.empty() ? "" : "+") + item->Component::Name();
  return m.empty() ? "none" : m;
}

class ThemeTest : public WidgetTest {
 protected:
  void SetApps(const Value& v) { SetValue(sys, "AppsUseLightTheme", v); }
  void Set(const char* name, const Value& v) { SetValue(sys, name, v); }
  // The user chooses the item from the menu: its auto-check toggles, then its handler
  // runs from the message loop, where failures reach the error box.
  void Choose(ui::MenuItem& item) {
    ui::PopupMenu::ItemChosen(item);
    app->RunQueued();
  }
  // The About box, whose definition gives colours of its own, beside the widget drawing its
  // digits in red.
  TForm8& AboutWithRedDigits(TForm1& widget) {
    TForm8* about = nullptr;
    app->CreateForm(about);
    Form8 = about;
    ui::Font digits = widget.LabelNumber->GetFont();
    digits.color = ui::MakeColor(255, 0, 0);
    widget.LabelNumber->SetFont(digits);
    return *about;
  }
};

TEST_F(ThemeTest, RegistryTestsReadTheValueAfreshAndOnlyExactValuesCount) {
  struct Case {
    const char* name;
    Value apps, system;
    bool appsDark, systemLight;
  } cases[] = {
      {"both missing", {}, {}, false, false},
      {"apps dark, system light", 0, 1, true, true},
      {"apps light, system dark", 1, 0, false, false},
      {"only exactly 0 is dark", 2, 2, false, false},
      {"negative", -1, -1, false, false},
  };
  for (const auto& c : cases) {
    SetApps(c.apps);
    Set("SystemUsesLightTheme", c.system);
    EXPECT_EQ(WindowsDarkMode::IsAppsDarkTheme(), c.appsDark) << c.name;
    EXPECT_EQ(WindowsDarkMode::IsSystemLightTheme(), c.systemLight) << c.name;
  }
}

TEST_F(ThemeTest, MissingKeyAnswersFalseAndIsNeverCreated) {
  EXPECT_FALSE(WindowsDarkMode::IsAppsDarkTheme());
  EXPECT_FALSE(WindowsDarkMode::IsSystemLightTheme());
  EXPECT_FALSE(sys.registry.HasKey(RegRoot::CurrentUser, kKey));
}

TEST_F(ThemeTest, ValuesThatAreNoIntegerNameTheValueWithTheClassLibrarysTwoTexts) {
  struct Case {
    Value value;
    const char* text;
  } cases[] = {
      {"0", "Invalid data type for 'AppsUseLightTheme'"},   // "0" and its terminator fit four bytes
      {"10", "Failed to get data for 'AppsUseLightTheme'"},  // six bytes do not
      {Raw{kRegBinary, 4}, "Invalid data type for 'AppsUseLightTheme'"},
      {Raw{kRegBinary, 2}, "Invalid data type for 'AppsUseLightTheme'"},
      {Raw{kRegQword, 8}, "Failed to get data for 'AppsUseLightTheme'"},
  };
  for (const auto& c : cases) {
    SetApps(c.value);
    try {
      WindowsDarkMode::IsAppsDarkTheme();
      ADD_FAILURE() << c.text;
    } catch (const platform::RegistryError& e) {
      EXPECT_STREQ(e.what(), c.text);
    }
  }
}

TEST(Theme, StartUpRestoresTheStoredThemeAndTheLastMarkedFlagWins) {
  struct Case {
    const char* name;
    const char* stored;
    Value apps;
    const char* marked;
    const char* style;  // "" = no style, the system's plain look
  } cases[] = {
      {"first start", "", 0, "none", ""},
      {"all false", "ThemeAuto=0\r\nThemeLight=0\r\nThemeDark=0\r\n", 0, "none", ""},
      {"system, apps dark", "ThemeAuto=1\r\n", 0, "ThemeAuto", kStyleDark},
      {"system, apps light", "ThemeAuto=1\r\n", 1, "ThemeAuto", kStyleLight},
      {"system, apps 2", "ThemeAuto=1\r\n", 2, "ThemeAuto", kStyleLight},
      {"system, value missing", "ThemeAuto=1\r\n", {}, "ThemeAuto", kStyleLight},
      {"light although apps are dark", "ThemeLight=1\r\n", 0, "ThemeLight", kStyleLight},
      {"dark although apps are light", "ThemeDark=1\r\n", 1, "ThemeDark", kStyleDark},
      {"light and dark: dark wins", "ThemeLight=1\r\nThemeDark=1\r\n", 1, "ThemeDark", kStyleDark},
      {"system and light: light wins", "ThemeAuto=1\r\nThemeLight=1\r\n", 0, "ThemeLight", kStyleLight},
      {"all three: dark wins", "ThemeAuto=1\r\nThemeLight=1\r\nThemeDark=1\r\n", 1, "ThemeDark", kStyleDark},
  };
  for (const auto& c : cases) {
    widget_test::Program run;
    run.sys.files.AddFile(widget_test::kSettingsPath, std::string("[Option]\r\n") + c.stored);
    SetValue(run.sys, "AppsUseLightTheme", c.apps);
    TForm1& f = run.Create();
    EXPECT_EQ(Marked(f), c.marked) << c.name;
    EXPECT_EQ(Active(), c.style) << c.name;
    EXPECT_TRUE(run.errors.empty()) << c.name;
  }
}

TEST_F(ThemeTest, EachClickLeavesExactlyTheClickedItemMarkedAlsoWhenItWasMarked) {
  TForm2& dialog = StartWith("[Option]\r\nThemeLight=1\r\n");
  TForm1& f = *Form1;
  int repaints = 0;
  ui::StyleManager::Instance().OnChange = [&] { ++repaints; };
  struct Unhook {
    ~Unhook() { ui::StyleManager::Instance().OnChange = nullptr; }
  } unhook;
  SetApps(0);
  struct Step {
    ui::MenuItem* item;
    const char* marked;
    const char* style;
    int repaints;
  } steps[] = {
      {f.ThemeLight, "ThemeLight", kStyleLight, 0},  // already marked: stays, nothing redrawn
      {f.ThemeDark, "ThemeDark", kStyleDark, 1},
      {f.ThemeDark, "ThemeDark", kStyleDark, 1},
      {f.ThemeAuto, "ThemeAuto", kStyleDark, 1},  // apps are dark: the same style
      {f.ThemeLight, "ThemeLight", kStyleLight, 2},
      {f.ThemeAuto, "ThemeAuto", kStyleDark, 3},
      {f.ThemeAuto, "ThemeAuto", kStyleDark, 3},
  };
  for (const auto& s : steps) {
    Choose(*s.item);
    EXPECT_EQ(Marked(f), s.marked) << s.item->Component::Name();
    EXPECT_EQ(Active(), s.style) << s.item->Component::Name();
    EXPECT_EQ(repaints, s.repaints) << s.item->Component::Name();
  }
  // The exit stores the marked item, not three false flags.
  f.MenuExit->Click();
  app->RunQueued();
  for (const char* line : {"\nThemeAuto=1\r\n", "\nThemeLight=0\r\n", "\nThemeDark=0\r\n"})
    EXPECT_NE(Settings().find(line), std::string::npos) << line << Settings();
  EXPECT_TRUE(errors.empty());
  (void)dialog;
}

TEST(Theme, SettingChangeFollowsTheAppsModeOnlyWhileTheSystemThemeIsMarked) {
  struct Case {
    const char* stored;
    const char* afterDark;   // style once apps turn dark
    const char* afterLight;  // and light again
  } cases[] = {
      {"", "", ""},  // unset: a setting change sets no style
      {"ThemeAuto=1\r\n", kStyleDark, kStyleLight},
      {"ThemeLight=1\r\n", kStyleLight, kStyleLight},
      {"ThemeDark=1\r\n", kStyleDark, kStyleDark},
  };
  for (const auto& c : cases) {
    widget_test::Program run;
    run.sys.registry.SetInteger(RegRoot::CurrentUser, kKey, "AppsUseLightTheme", 1);
    run.StartWith(std::string("[Option]\r\n") + c.stored);
    run.sys.registry.SetInteger(RegRoot::CurrentUser, kKey, "AppsUseLightTheme", 0);
    Form1->SettingChange(ui::SystemSetting::Other, "ImmersiveColorSet");
    EXPECT_EQ(Active(), c.afterDark) << c.stored;
    run.sys.registry.SetInteger(RegRoot::CurrentUser, kKey, "AppsUseLightTheme", 1);
    Form1->SettingChange(ui::SystemSetting::Other, "");
    EXPECT_EQ(Active(), c.afterLight) << c.stored;
  }
}

TEST_F(ThemeTest, TheTaskbarModeNeverChangesTheStyleOnlyTheTrayPicture) {
  SetApps(1);
  TForm2& dialog = StartWith("[Option]\r\nThemeAuto=1\r\n");
  for (int systemLight : {0, 1}) {
    Set("SystemUsesLightTheme", systemLight);
    Form1->SettingChange(ui::SystemSetting::Other, "ImmersiveColorSet");
    EXPECT_EQ(Active(), kStyleLight);
    EXPECT_EQ(Form1->TrayIcon1->IconIndex(), systemLight ? 0 : 1);
  }
  (void)dialog;
}

TEST_F(ThemeTest, AValueOfTheWrongTypeIsReportedOnTheClickAndSwallowedOnASettingChange) {
  SetApps(1);
  StartWith("[Option]\r\nThemeAuto=1\r\n");
  ASSERT_EQ(Active(), kStyleLight);
  SetApps("10");
  Set("SystemUsesLightTheme", "1");
  Form1->SettingChange(ui::SystemSetting::Other, "ImmersiveColorSet");  // style and tray steps both fail: silently
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(Active(), kStyleLight);

  Choose(*Form1->ThemeDark);
  SetApps("0");
  Choose(*Form1->ThemeAuto);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Invalid data type for 'AppsUseLightTheme'");
  EXPECT_EQ(Marked(*Form1), "ThemeAuto");  // marked already, the style stays as it was
  EXPECT_EQ(Active(), kStyleDark);
}

TEST_F(ThemeTest, SettingChangeStillRescalesForANewWorkAreaWhateverTheTheme) {
  SetApps(1);
  StartWith("[Option]\r\nThemeAuto=1\r\nTrackBarScale=500\r\n");
  const int before = Form1->LabelNumber->GetFont().size;
  sys.windows.workArea = {0, 0, 800, 600};
  SetApps("10");  // the theme step fails, the work-area step has run before it
  Form1->SettingChange(ui::SystemSetting::WorkArea, "");
  EXPECT_LT(Form1->LabelNumber->GetFont().size, before);
  EXPECT_TRUE(errors.empty());
}

// ---- the two styles --------------------------------------------------------------

double Channel(int v) {
  const double c = v / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double Luminance(ui::Color c) {
  return 0.2126 * Channel(c & 0xFF) + 0.7152 * Channel((c >> 8) & 0xFF) + 0.0722 * Channel((c >> 16) & 0xFF);
}
double Contrast(ui::Color a, ui::Color b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(BuiltInStyles, BothAreRegisteredByNameWithoutRegardToCaseAndReadable) {
  auto& styles = ui::StyleManager::Instance();
  styles.Reset();
  ui::RegisterBuiltInStyles();
  EXPECT_TRUE(styles.IsRegistered("Windows11 Modern Light"));
  EXPECT_TRUE(styles.IsRegistered("WINDOWS11 MODERN DARK"));
  EXPECT_FALSE(styles.IsRegistered("Windows11 Modern"));
  EXPECT_TRUE(styles.SetStyle("windows11 modern dark"));
  EXPECT_TRUE(styles.Active().dark);
  EXPECT_TRUE(styles.SetStyle("Windows11 Modern Light"));
  EXPECT_FALSE(styles.Active().dark);
  styles.Reset();
}

TEST(BuiltInStyles, EveryTextIsLegibleAndEverySurfaceBelongsToItsMode) {
  ASSERT_EQ(ui::BuiltInStyleTexts().size(), 2u);
  for (const std::string& text : ui::BuiltInStyleTexts()) {
    const ui::NamedPalette s = ui::ParseStyle(text);
    const ui::Palette& p = s.palette;
    struct Pair {
      const char* what;
      ui::Color fore, back;
      double least;
    } pairs[] = {
        {"text on window", p.text, p.windowBackground, 4.5},
        {"text on button", p.text, p.controlBackground, 4.5},
        {"text on hovered button", p.text, p.controlHover, 4.5},
        {"text on pressed button", p.text, p.controlPressed, 4.5},
        {"field text", p.editText, p.editBackground, 4.5},
        {"selected text", p.highlightText, p.highlight, 4.5},
        {"link", p.link, p.windowBackground, 4.5},
        {"mark on accent", p.accentText, p.accent, 4.5},
        {"disabled text on window", p.disabledText, p.windowBackground, 3.0},
        {"disabled text on button", p.disabledText, p.controlBackground, 3.0},
        {"disabled field text", p.disabledText, p.editBackground, 3.0},
        {"accent against window", p.accent, p.windowBackground, 3.0},
        {"focus against window", p.focus, p.windowBackground, 3.0},
    };
    for (const auto& x : pairs) EXPECT_GE(Contrast(x.fore, x.back), x.least) << s.name << ": " << x.what;
    for (ui::Color surface : {p.windowBackground, p.controlBackground, p.controlHover, p.controlPressed, p.editBackground}) {
      if (p.dark) EXPECT_LT(Luminance(surface), 0.2) << s.name;
      else EXPECT_GT(Luminance(surface), 0.8) << s.name;
    }
    EXPECT_TRUE(p.styled);
  }
}

TEST(BuiltInStyles, AStyleTextWithAFaultNamesItsLine) {
  const std::string whole = ui::BuiltInStyleTexts()[0];
  struct Case {
    std::string text;
    const char* fault;
  } cases[] = {
      {whole + "Sparkle = #FFFFFF\n", "unknown key Sparkle"},
      {whole + "Text = white\n", "#RRGGBB"},
      {whole + "Text = #12345G\n", "#RRGGBB"},
      {whole + "CornerRadius = -1\n", "0..64"},
      {whole + "Dark = yes\n", "true or false"},
      {"Text = #000000\n", "no Name"},
      {"Name = \"X\"\n", "no WindowBackground"},
  };
  for (const auto& c : cases) {
    try {
      ui::ParseStyle(c.text);
      ADD_FAILURE() << c.fault;
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(c.fault), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("style line ", 0), 0u) << e.what();
    }
  }
}

TEST_F(ThemeTest, ColoursOfTheDefinitionDoNotDefeatTheStyleButTheWidgetKeepsItsOwn) {
  TForm1& widget = Create();
  TForm8* about = &AboutWithRedDigits(widget);
  auto& styles = ui::StyleManager::Instance();
  struct Case {
    const char* style;
    ui::Color text, link, background;
  } cases[] = {
      {kStyleDark, ui::MakeColor(0xFF, 0xFF, 0xFF), ui::MakeColor(0x60, 0xCD, 0xFF), ui::MakeColor(0x20, 0x20, 0x20)},
      {kStyleLight, ui::MakeColor(0x1A, 0x1A, 0x1A), ui::MakeColor(0x00, 0x5F, 0xB8), ui::MakeColor(0xF3, 0xF3, 0xF3)},
  };
  for (const auto& c : cases) {
    styles.SetStyle(c.style);
    EXPECT_EQ(styles.TextColorOf(*about->LabelVersion), c.text) << c.style;  // the definition says black
    EXPECT_EQ(styles.TextColorOf(*about->LabelTelegram), c.link) << c.style;  // and blue for links
    EXPECT_EQ(styles.BackgroundOf(*about), c.background) << c.style;
    EXPECT_EQ(styles.BackgroundOf(*about->LabelVersion), c.background) << c.style;
    EXPECT_EQ(styles.TextColorOf(*widget.LabelNumber), ui::MakeColor(255, 0, 0)) << c.style;
    EXPECT_EQ(styles.BackgroundOf(widget), ui::kClGray) << c.style;
  }
  about->LabelTelegram->SetEnabled(false);
  EXPECT_EQ(styles.TextColorOf(*about->LabelTelegram), ui::MakeColor(0x6E, 0x6E, 0x6E));
  Form8 = nullptr;
}

// Windows' high contrast: the system's colours replace the style's and the definition's,
// live, while a dialog is open; the chosen style comes back when it is switched off; the
// widget's digits keep their colour throughout.
TEST_F(ThemeTest, HighContrastPutsTheSystemColoursFirstAndTheChosenStyleComesBack) {
  TForm2& settings = Start();
  TForm1& widget = *Form1;
  TForm8* about = &AboutWithRedDigits(widget);
  settings.ColorBoxNumber->SetColor(ui::kClBlack);  // as automatic colour shows it
  auto& styles = ui::StyleManager::Instance();
  Choose(*widget.ThemeDark);
  int repaints = 0;
  styles.OnChange = [&] { ++repaints; };
  about->Show();
  settings.Show();

  const ui::Color dark = ui::MakeColor(0x20, 0x20, 0x20), white = ui::MakeColor(0xFF, 0xFF, 0xFF);
  const ui::Color face = ui::kClBtnFace, buttonText = ui::SystemColor(18), hotLight = ui::SystemColor(26);
  struct Step {
    const char* what;
    bool contrast;
    std::function<void()> also;
    int repaints;
    ui::Color background, text, link, list;
  } steps[] = {
      {"dark, high contrast off", false, nullptr, 0, dark, white, ui::MakeColor(0x60, 0xCD, 0xFF), ui::kClBlack},
      {"switched on", true, nullptr, 1, face, buttonText, hotLight, ui::kClWindow},
      {"another setting change", true, nullptr, 0, face, buttonText, hotLight, ui::kClWindow},
      {"light chosen meanwhile", true, [&] { Choose(*widget.ThemeLight); }, 1, face, buttonText, hotLight, ui::kClWindow},
      {"switched off: the chosen style", false, nullptr, 1, ui::MakeColor(0xF3, 0xF3, 0xF3), ui::MakeColor(0x1A, 0x1A, 0x1A),
       ui::MakeColor(0x00, 0x5F, 0xB8), ui::kClBlack},
  };
  for (const auto& s : steps) {
    const int before = repaints;
    backend.highContrast = s.contrast;
    if (s.also) s.also();
    backend.SettingChange(widget, ui::SystemSetting::Other, "");
    EXPECT_EQ(repaints - before, s.repaints) << s.what;
    EXPECT_EQ(styles.Active().highContrast, s.contrast) << s.what;
    EXPECT_EQ(styles.Active().styled, !s.contrast) << s.what;  // the system draws the controls and title bars
    EXPECT_EQ(styles.BackgroundOf(*about), s.background) << s.what;
    EXPECT_EQ(styles.BackgroundOf(*about->LabelVersion), s.background) << s.what;
    EXPECT_EQ(styles.TextColorOf(*about->LabelVersion), s.text) << s.what;  // the definition says black
    EXPECT_EQ(styles.TextColorOf(*about->LabelTelegram), s.link) << s.what;
    EXPECT_EQ(styles.BackgroundOf(*settings.ColorBoxNumber), s.list) << s.what;
    EXPECT_EQ(styles.TextColorOf(*widget.LabelNumber), ui::MakeColor(255, 0, 0)) << s.what;
    EXPECT_EQ(styles.BackgroundOf(widget), ui::kClGray) << s.what;
  }
  EXPECT_EQ(Active(), kStyleLight);
  EXPECT_TRUE(errors.empty());
  styles.OnChange = nullptr;
  Form8 = nullptr;
}

TEST_F(ThemeTest, HighContrastOnAtStartUpIsFollowedFromTheFirstWindow) {
  backend.highContrast = true;
  SetApps(0);
  sys.files.AddFile(widget_test::kSettingsPath, "[Option]\r\nThemeAuto=1\r\n");
  Start();
  EXPECT_EQ(Active(), kStyleDark);  // the choice is made and kept
  EXPECT_TRUE(ui::StyleManager::Instance().Active().highContrast);
  backend.highContrast = false;
  backend.SettingChange(*Form1, ui::SystemSetting::Other, "");
  EXPECT_TRUE(ui::StyleManager::Instance().Active().dark);
}

}  // namespace
