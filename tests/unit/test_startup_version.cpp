// The operating-system gate: which versions run, and where the version is read from.
#include <gtest/gtest.h>

#include "app/windows_version.h"
#include "platform/headless/headless.h"

namespace {

constexpr const char* kKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
using platform::RegRoot;

TEST(WindowsVersionGate, OnlyMajorTenFromBuild10240) {
  struct Case {
    std::uint32_t major, build;
    bool runs;
  } cases[] = {
      {10, 10240, true}, {10, 22631, true}, {10, 10239, false},
      {6, 9600, false},  {11, 30000, false}, {0, 0, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(app::IsWindows10Or11({c.major, c.build}), c.runs) << c.major << "." << c.build;
}

TEST(WindowsVersionGate, RegistryValuesComeFirst) {
  headless::Platform p;
  p.system.reportedVersion = {6, 2, 9200};  // what the old call says without a manifest entry
  p.registry.SetInteger(RegRoot::LocalMachine, kKey, "CurrentMajorVersionNumber", 10);
  p.registry.SetString(RegRoot::LocalMachine, kKey, "CurrentBuild", "19045");
  p.registry.SetString(RegRoot::LocalMachine, kKey, "CurrentBuildNumber", "1");
  const app::WindowsVersion v = app::ReadWindowsVersion();
  EXPECT_EQ(v.major, 10u);
  EXPECT_EQ(v.build, 19045u);
}

TEST(WindowsVersionGate, BuildNumberStandsInForANonNumericBuild) {
  headless::Platform p;
  p.registry.SetInteger(RegRoot::LocalMachine, kKey, "CurrentMajorVersionNumber", 10);
  p.registry.SetString(RegRoot::LocalMachine, kKey, "CurrentBuild", "19045.x");
  p.registry.SetString(RegRoot::LocalMachine, kKey, "CurrentBuildNumber", "19044");
  EXPECT_EQ(app::ReadWindowsVersion().build, 19044u);
}

TEST(WindowsVersionGate, OldCallFillsWhatTheRegistryLacks) {
  headless::Platform p;
  p.system.reportedVersion = {6, 1, 7601};  // Windows 7: no major-version value
  p.registry.SetString(RegRoot::LocalMachine, kKey, "CurrentBuild", "7601");
  const app::WindowsVersion v = app::ReadWindowsVersion();
  EXPECT_EQ(v.major, 6u);
  EXPECT_EQ(v.build, 7601u);
  EXPECT_FALSE(app::IsWindows10Or11(v));

  // A major value of the wrong type counts as missing, not as a failure.
  p.registry.SetString(RegRoot::LocalMachine, kKey, "CurrentMajorVersionNumber", "10");
  EXPECT_EQ(app::ReadWindowsVersion().major, 6u);
}

TEST(WindowsVersionGate, NoKeyAtAllUsesTheOldCall) {
  headless::Platform p;
  p.system.reportedVersion = {10, 0, 10240};
  EXPECT_TRUE(app::IsWindows10Or11(app::ReadWindowsVersion()));
}

}  // namespace
