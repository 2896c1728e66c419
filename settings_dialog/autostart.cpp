#include "settings_dialog/autostart.h"

#include "app/storage_locations.h"
#include "platform/errors.h"
#include "platform/services.h"
#include "platform/text.h"

namespace autostart {

bool MatchesExecutable(std::string_view stored, std::string_view exePath) {
  const std::string_view s = text::TrimBlanks(stored);
  const std::string_view p = text::TrimBlanks(exePath);
  if (text::SameTextAscii(s, p)) return true;
  if (text::SameTextAscii(s, "\"" + std::string(p) + "\"")) return true;
  return !p.empty() && stored.find(p) != std::string_view::npos && stored.size() >= exePath.size() &&
         text::SameTextAscii(stored.substr(0, exePath.size()), exePath);
}

bool IsRegistered() {
  const auto& services = platform::Current();
  const auto key = services.registry->Open(platform::RegRoot::CurrentUser, kRunKey, false);
  if (!key || !key->ValueExists(app::kAppTitle)) return false;
  std::optional<std::string> stored;
  try {
    stored = key->ReadString(app::kAppTitle);
  } catch (const platform::RegistryError&) {
    return false;  // a value of another type cannot name a program to start
  }
  return stored && MatchesExecutable(*stored, services.system->ExecutablePath());
}

void Write(bool enabled) {
  const auto& services = platform::Current();
  const auto key = services.registry->Open(platform::RegRoot::CurrentUser, kRunKey, true);
  if (enabled) {
    if (!key) throw platform::RegistryError::FailedToSet(app::kAppTitle);
    key->WriteString(app::kAppTitle, services.system->ExecutablePath());
  } else if (key) {
    key->DeleteValue(app::kAppTitle);
  }
}

}  // namespace autostart
