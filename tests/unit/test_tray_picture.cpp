#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/headless/headless.h"
#include "platform/text.h"
#include "widget/tray_picture.h"
#include "widget/windows_dark_mode.h"

namespace {

using platform::RegRoot;

TEST(TrayPicture, ImageFollowsTheTaskbarUnlessColoured) {
  struct Case {
    const char* name;
    std::optional<int> systemLight, appsLight;
    bool coloured;
    int image;
  } cases[] = {
      {"light taskbar", 1, std::nullopt, false, 0},
      {"dark taskbar", 0, std::nullopt, false, 1},
      {"only exactly 1 is light", 2, std::nullopt, false, 1},
      {"missing value counts as dark", std::nullopt, std::nullopt, false, 1},
      {"apps mode never matters", 0, 1, false, 1},
      {"coloured wins over the registry", 1, std::nullopt, true, 2},
  };
  for (const auto& c : cases) {
    headless::Platform sys;
    if (c.systemLight)
      sys.registry.SetInteger(RegRoot::CurrentUser, WindowsDarkMode::kPersonalizeKey, "SystemUsesLightTheme",
                              *c.systemLight);
    if (c.appsLight)
      sys.registry.SetInteger(RegRoot::CurrentUser, WindowsDarkMode::kPersonalizeKey, "AppsUseLightTheme",
                              *c.appsLight);
    EXPECT_EQ(tray::ImageIndexFor(c.coloured), c.image) << c.name;
  }
}

TEST(TrayPicture, ThemeValuesOfTheWrongTypeAreErrors) {
  headless::Platform sys;
  sys.registry.SetString(RegRoot::CurrentUser, WindowsDarkMode::kPersonalizeKey, "AppsUseLightTheme", "0");
  EXPECT_THROW(WindowsDarkMode::IsAppsDarkTheme(), platform::RegistryError);
  EXPECT_FALSE(WindowsDarkMode::IsSystemLightTheme());  // key there, value missing
  sys.registry.SetInteger(RegRoot::CurrentUser, WindowsDarkMode::kPersonalizeKey, "AppsUseLightTheme", 0);
  EXPECT_TRUE(WindowsDarkMode::IsAppsDarkTheme());
}

TEST(TrayPicture, Tooltip) {
  EXPECT_EQ(tray::Tooltip("Cifrona", "2.0.26.307", "(32-bit)", false), "Cifrona\r2.0.26.307 (32-bit)");
  EXPECT_EQ(tray::Tooltip("Cifrona", "2.0.26.307", "(32-bit)", true), "Cifrona\r2.0.26.307 (32-bit)\r Portable");
  // Cut to 127 UTF-16 units; a character outside the BMP is never split.
  const std::string longText(200, 'x');
  EXPECT_EQ(tray::Tooltip(longText, "1", "(64-bit)", false), std::string(127, 'x'));
  std::string emoji;
  for (int i = 0; i < 70; ++i) emoji += "\xF0\x9F\x98\x80";  // two units each
  const std::u16string cut = text::Utf8ToUtf16(tray::Tooltip(emoji, "1", "(64-bit)", false));
  EXPECT_EQ(cut.size(), 126u);
  EXPECT_EQ(cut.find(u'\uFFFD'), std::u16string::npos);
}

}  // namespace
