#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/headless/headless.h"
#include "settings_dialog/autostart.h"

namespace {

using platform::RegRoot;
const std::string kExe = "C:\\Program Files\\Cifrona\\Cifrona.exe";

TEST(Autostart, MatchingRules) {
  struct Case {
    const char* stored;
    bool matches;
  } cases[] = {
      {"C:\\Program Files\\Cifrona\\Cifrona.exe", true},
      {"  C:\\Program Files\\Cifrona\\Cifrona.exe\t", true},           // surrounding blanks
      {"c:\\PROGRAM FILES\\cifrona\\CIFRONA.EXE", true},               // ASCII letters in any case
      {"\"C:\\Program Files\\Cifrona\\Cifrona.exe\"", true},           // in quotes
      {"\"c:\\program files\\cifrona\\cifrona.exe\"", true},
      {"C:\\Program Files\\Cifrona\\Cifrona.exe /min", true},          // path then an argument
      {"\"C:\\Program Files\\Cifrona\\Cifrona.exe\" /min", false},     // quotes then an argument
      {"c:\\program files\\cifrona\\cifrona.exe /min", false},         // containment is case-sensitive
      {"D:\\Other\\Cifrona.exe", false},                               // another copy
      {"C:\\Program Files\\Cifrona\\Cifrona.ex", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(autostart::MatchesExecutable(c.stored, kExe), c.matches) << c.stored;
  // Only ASCII letters fold: other letters must match exactly.
  EXPECT_TRUE(autostart::MatchesExecutable("C:\\\xD0\x9F\\A.exe", "C:\\\xD0\x9F\\a.exe"));
  EXPECT_FALSE(autostart::MatchesExecutable("C:\\\xD0\xBF\\A.exe", "C:\\\xD0\x9F\\A.exe"));
}

class AutostartStore : public ::testing::Test {
 protected:
  AutostartStore() { sys.system.exePath = kExe; }
  headless::Platform sys;
};

TEST_F(AutostartStore, RegisteredOnlyForAStringEntryNamingThisCopy) {
  EXPECT_FALSE(autostart::IsRegistered());  // no Run key at all
  sys.registry.KeyAt(RegRoot::CurrentUser, autostart::kRunKey);
  EXPECT_FALSE(autostart::IsRegistered());  // no value
  sys.registry.SetString(RegRoot::CurrentUser, autostart::kRunKey, "Cifrona", "\"" + kExe + "\"");
  EXPECT_TRUE(autostart::IsRegistered());
  sys.registry.SetString(RegRoot::CurrentUser, autostart::kRunKey, "Cifrona", "D:\\Copy\\Cifrona.exe");
  EXPECT_FALSE(autostart::IsRegistered());
  sys.registry.SetInteger(RegRoot::CurrentUser, autostart::kRunKey, "Cifrona", 1);
  EXPECT_FALSE(autostart::IsRegistered());  // not a string: no error box at start-up
}

TEST_F(AutostartStore, WriteAndDelete) {
  autostart::Write(true);
  auto key = sys.registry.Open(RegRoot::CurrentUser, autostart::kRunKey, false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadString("Cifrona"), kExe);  // bare path, no quotes, spaces and all
  autostart::Write(false);
  EXPECT_FALSE(key->ValueExists("Cifrona"));
  autostart::Write(false);  // deleting a missing entry is no error
  sys.registry.KeyAt(RegRoot::CurrentUser, autostart::kRunKey).writesFail = true;
  try {
    autostart::Write(true);
    FAIL() << "expected a registry error";
  } catch (const platform::RegistryError& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Cifrona'");
  }
}

}  // namespace
