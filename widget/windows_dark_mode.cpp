#include "widget/windows_dark_mode.h"

#include "platform/services.h"

namespace WindowsDarkMode {

namespace {

bool ValueIs(const char* name, std::int32_t expected) {
  const auto key = platform::Current().registry->Open(platform::RegRoot::CurrentUser, kPersonalizeKey, false);
  if (!key || !key->ValueExists(name)) return false;
  return key->ReadInteger(name) == expected;
}

}  // namespace

bool IsAppsDarkTheme() { return ValueIs("AppsUseLightTheme", 0); }
bool IsSystemLightTheme() { return ValueIs("SystemUsesLightTheme", 1); }

}  // namespace WindowsDarkMode
