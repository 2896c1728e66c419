// The widget's tray icon: picture choice, tooltip, double click and the right-button menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <variant>

#include "widget/identity.h"
#include "widget/windows_dark_mode.h"
#include "widget_fixture.h"

namespace {

using platform::RegRoot;
using widget_test::WidgetTest;

using TrayTest = WidgetTest;

bool Logged(const std::vector<std::string>& log, const std::string& line) {
  return std::find(log.begin(), log.end(), line) != log.end();
}

TEST_F(TrayTest, IconIsShownFromCreationWithTheFirstPictureAndTheProductName) {
  TForm1& f = Create();
  EXPECT_TRUE(f.TrayIcon1->Visible());
  EXPECT_EQ(f.TrayIcon1->IconIndex(), 0);
  EXPECT_EQ(f.TrayIcon1->Hint(), "Cifrona");
  EXPECT_EQ(f.TrayIcon1->Icons(), f.ImageList1);
  EXPECT_EQ(f.ImageList1->Icons(), (std::vector<std::string>{"TRAY0", "TRAY1", "TRAY2"}));
  EXPECT_EQ(f.TrayIcon1->GetPopupMenu(), f.PopupMenu1);
}

TEST_F(TrayTest, PictureFollowsTheTaskbarModeUnlessColoured) {
  using Value = std::variant<std::monostate, int, const char*>;  // missing, integer, text
  struct Case {
    const char* name;
    Value systemLight;
    std::optional<int> appsLight;
    bool coloured;
    int before;
    int after;
  } cases[] = {
      {"light taskbar", 1, {}, false, 1, 0},
      {"dark taskbar", 0, {}, false, 0, 1},
      {"only exactly 1 counts as light", 2, {}, false, 0, 1},
      {"missing value counts as dark", {}, {}, false, 0, 1},
      {"light apps do not make the taskbar light", 0, 1, false, 2, 1},
      {"dark apps do not make the taskbar dark", 1, 0, false, 2, 0},
      {"coloured whatever the registry holds", 1, {}, true, 0, 2},
      {"coloured even with an unreadable value", "1", {}, true, 0, 2},
      {"a value that is not a number changes nothing", "1", {}, false, 2, 2},
      {"nor does it from the dark picture", "0", {}, false, 1, 1},
  };
  TForm1& f = Create();
  const std::string key = WindowsDarkMode::kPersonalizeKey;
  for (const auto& c : cases) {
    sys.registry.KeyAt(RegRoot::CurrentUser, key).values.clear();
    if (auto* v = std::get_if<int>(&c.systemLight))
      sys.registry.SetInteger(RegRoot::CurrentUser, key, "SystemUsesLightTheme", *v);
    if (auto* v = std::get_if<const char*>(&c.systemLight))
      sys.registry.SetString(RegRoot::CurrentUser, key, "SystemUsesLightTheme", *v);
    if (c.appsLight) sys.registry.SetInteger(RegRoot::CurrentUser, key, "AppsUseLightTheme", *c.appsLight);
    f.TrayIcon1->SetIconIndex(c.before);
    f.SelectTrayPicture(c.coloured);
    EXPECT_EQ(f.TrayIcon1->IconIndex(), c.after) << c.name;
  }
  EXPECT_TRUE(backend.errorBoxes.empty());
  EXPECT_TRUE(errors.empty());
}

TEST_F(TrayTest, RegistryIsReadAfreshAndOnlyAChangedPictureReachesTheIcon) {
  TForm1& f = Create();
  const std::string key = WindowsDarkMode::kPersonalizeKey;
  sys.registry.SetInteger(RegRoot::CurrentUser, key, "SystemUsesLightTheme", 0);
  f.SelectTrayPicture(false);
  EXPECT_EQ(f.TrayIcon1->IconIndex(), 1);

  // The same picture again: the notification area is not touched.
  backend.log.clear();
  f.SelectTrayPicture(false);
  EXPECT_FALSE(Logged(backend.log, "TrayIcon1.Image"));

  // The taskbar turns light while running.
  sys.registry.SetInteger(RegRoot::CurrentUser, key, "SystemUsesLightTheme", 1);
  f.SelectTrayPicture(false);
  EXPECT_EQ(f.TrayIcon1->IconIndex(), 0);
  EXPECT_TRUE(Logged(backend.log, "TrayIcon1.Image"));
}

TEST_F(TrayTest, SettingChangeReselectsThePictureOnceTheDialogExists) {
  TForm1& f = Create();
  const std::string key = WindowsDarkMode::kPersonalizeKey;
  sys.registry.SetInteger(RegRoot::CurrentUser, key, "SystemUsesLightTheme", 0);
  backend.SettingChange(f, ui::SystemSetting::Other, "ImmersiveColorSet");
  EXPECT_EQ(f.TrayIcon1->IconIndex(), 0);  // no settings dialog yet: nothing to choose by

  TForm2& d = app->CreateForm(Form2);
  d.LoadNastr();
  EXPECT_EQ(f.TrayIcon1->IconIndex(), 1);
  sys.registry.SetInteger(RegRoot::CurrentUser, key, "SystemUsesLightTheme", 1);  // the taskbar turns light
  backend.SettingChange(f, ui::SystemSetting::Other, "ImmersiveColorSet");
  EXPECT_EQ(f.TrayIcon1->IconIndex(), 0);
  d.MenuColorTrayIcon->SetChecked(true);
  sys.registry.SetString(RegRoot::CurrentUser, key, "SystemUsesLightTheme", "broken");
  backend.SettingChange(f, ui::SystemSetting::Other, "ImmersiveColorSet");
  EXPECT_EQ(f.TrayIcon1->IconIndex(), 2);  // coloured, whatever the registry holds
  EXPECT_TRUE(errors.empty() && backend.errorBoxes.empty());
}

// One program per case: portable mode is decided when the widget is created.
struct Program {
  explicit Program(bool portable) {
    sys.files.AddFile(sys.system.exePath, "MZ");
    if (portable) sys.files.AddFile("C:\\Program Files\\Cifrona\\portable.ini", "");
    widget_test::GiveVersion(sys, u"2.0.26.307");
    app = std::make_unique<ui::Application>();
    app->CreateForm(Form1);
  }
  ~Program() {
    app.reset();
    Form1 = nullptr;
  }
  headless::Platform sys;
  ui::headless::Backend backend;
  std::unique_ptr<ui::Application> app;
};

TEST(TrayTooltip, IsTheProductNameUntilThePointerMovesThenDescriptionAndVersion) {
  const std::string version = std::string("Cifrona\r2.0.26.307 ") + identity::BitnessText();
  struct Case {
    const char* name;
    bool portable;
    std::string tip;
  } cases[] = {
      {"installed: two lines", false, version},
      {"portable: a third line", true, version + "\r Portable"},
  };
  for (const auto& c : cases) {
    Program p(c.portable);
    EXPECT_EQ(Form1->TrayIcon1->Hint(), "Cifrona") << c.name;
    p.backend.TrayMouseMove(*Form1->TrayIcon1, {1200, 780});
    EXPECT_EQ(Form1->TrayIcon1->Hint(), c.tip) << c.name;
    EXPECT_TRUE(p.backend.errorBoxes.empty()) << c.name;
  }
}

TEST_F(TrayTest, TooltipRefreshesTheIconOnlyWhenItsTextChanges) {
  TForm1& f = Create();
  backend.TrayMouseMove(*f.TrayIcon1, {1200, 780});
  backend.log.clear();
  backend.TrayMouseMove(*f.TrayIcon1, {1201, 780});
  EXPECT_FALSE(Logged(backend.log, "TrayIcon1.Text"));

  // A new version under the pointer shows at the next move.
  widget_test::GiveVersion(sys, u"2.1.0.1");
  backend.TrayMouseMove(*f.TrayIcon1, {1202, 780});
  EXPECT_TRUE(Logged(backend.log, "TrayIcon1.Text"));
  EXPECT_EQ(f.TrayIcon1->Hint(), std::string("Cifrona\r2.1.0.1 ") + identity::BitnessText());
}

TEST_F(TrayTest, TwoDoubleClicksHideTheWidgetAndShowItAgainInTheSamePlace) {
  TForm1& f = Create();
  f.ApplyScale();
  f.SetBounds(300, 200, f.Width(), f.Height());
  f.Show();
  const ui::Rect before = f.BoundsRect();

  backend.TrayDoubleClick(*f.TrayIcon1);
  EXPECT_FALSE(f.Visible());
  EXPECT_TRUE(f.TrayIcon1->Visible());

  backend.log.clear();
  backend.TrayDoubleClick(*f.TrayIcon1);
  EXPECT_TRUE(f.Visible());
  EXPECT_TRUE(Logged(backend.log, "Form1.BringToFront"));
  EXPECT_EQ(f.BoundsRect(), before);
  EXPECT_TRUE(f.TrayIcon1->Visible());
  EXPECT_TRUE(backend.errorBoxes.empty());
}

TEST_F(TrayTest, RightButtonReleaseOpensTheWidgetMenuAtThePointer) {
  TForm1& f = Create();
  f.PopupMenu1->SetAutoPopup(true);
  backend.TrayButtonUp(*f.TrayIcon1, ui::MouseButton::Right, {1210, 785});
  EXPECT_EQ(backend.foregroundRequests, 1);
  ASSERT_FALSE(backend.popups.empty());
  EXPECT_EQ(backend.popups.back(), f.PopupMenu1);
  EXPECT_EQ(f.PopupMenu1->PopupPoint(), (ui::Point{1210, 785}));
  EXPECT_EQ(f.PopupMenu1->PopupComponent(), &f);
  EXPECT_FALSE(f.PopupMenu1->AutoPopup());
  // The menu's own opening step ran: the widget back at the bottom.
  EXPECT_TRUE(std::any_of(sys.calls.lines.begin(), sys.calls.lines.end(), [](const std::string& l) {
    return l.rfind("SetWindowPosBottom", 0) == 0 && l.ends_with(" menu");
  }));

  // A single left click opens nothing.
  backend.popups.clear();
  backend.TrayButtonUp(*f.TrayIcon1, ui::MouseButton::Left, {1210, 785});
  EXPECT_TRUE(backend.popups.empty());
}

TEST_F(TrayTest, WidgetChangesLeaveTheIconAlone) {
  TForm1& f = Create();
  backend.log.clear();
  // Number, font, colour and scale.
  f.LabelNumber->SetCaption("4321");
  f.ApplyFontIndex(3);
  ui::Font font = f.LabelNumber->GetFont();
  font.color = 0x00FF00;
  f.LabelNumber->SetFont(font);
  f.ApplyScale();
  backend.FireTimers(f);
  for (const auto& line : backend.log) EXPECT_NE(line.rfind("TrayIcon1.", 0), 0u) << line;
  EXPECT_EQ(f.TrayIcon1->IconIndex(), 0);
  EXPECT_EQ(f.TrayIcon1->Hint(), "Cifrona");
}

}  // namespace
