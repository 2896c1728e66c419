#include "app/windows_version.h"

#include <charconv>
#include <optional>
#include <string>

#include "platform/errors.h"
#include "platform/services.h"
#include "platform/text.h"

namespace app {

namespace {

constexpr const char* kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

std::optional<std::uint32_t> ParseNumber(std::string_view s) {
  s = text::TrimBlanks(s);
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

// A value of an unexpected type counts as missing.
std::optional<std::uint32_t> ReadBuild(const platform::RegistryKey& key, const std::string& name) {
  try {
    if (auto s = key.ReadString(name)) return ParseNumber(*s);
  } catch (const platform::RegistryError&) {
  }
  return std::nullopt;
}

}  // namespace

bool IsWindows10Or11(const WindowsVersion& v) { return v.major == 10 && v.build >= 10240; }

WindowsVersion ReadWindowsVersion() {
  std::optional<std::uint32_t> major, build;
  if (auto key = platform::Current().registry->Open(platform::RegRoot::LocalMachine, kCurrentVersionKey, false)) {
    try {
      if (auto m = key->ReadInteger("CurrentMajorVersionNumber")) major = static_cast<std::uint32_t>(*m);
    } catch (const platform::RegistryError&) {
    }
    build = ReadBuild(*key, "CurrentBuild");
    if (!build) build = ReadBuild(*key, "CurrentBuildNumber");
  }
  if (!major || !build) {
    const platform::ReportedVersion reported = platform::Current().system->VersionEx();
    if (!major) major = reported.major;
    if (!build) build = reported.build;
  }
  return {*major, *build};
}

}  // namespace app
