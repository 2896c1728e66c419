#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/headless/headless.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"

namespace {

namespace keys = settings::keys;
const std::string kPath = "C:\\Data\\Config\\Option.ini";

class IniFileTest : public ::testing::Test {
 protected:
  IniFileTest() { sys.files.AddFolder("C:\\Data\\Config"); }
  headless::Platform sys;
};

TEST_F(IniFileTest, OpeningAMissingFileCreatesNothing) {
  settings::IniFile file(kPath);
  EXPECT_EQ(file.ReadInteger(keys::kOption, keys::kTop, 42), 42);
  EXPECT_FALSE(sys.files.FileExists(kPath));
  EXPECT_EQ(sys.files.writes, 0);
}

TEST_F(IniFileTest, TypedReadsAndDefaults) {
  sys.files.AddFile(kPath,
                    "[Option]\r\nHex=0x10\r\nDollar=$10\r\nBad=abc\r\nEmpty=\r\nNeg=-3\r\n"
                    "On=1\r\nOff=0\r\nTwo=2\r\nWord=yes\r\n");
  settings::IniFile file(kPath);
  EXPECT_EQ(file.ReadInteger("Option", "Hex", 0), 16);
  EXPECT_EQ(file.ReadInteger("Option", "Dollar", 0), 16);
  EXPECT_EQ(file.ReadInteger("Option", "Bad", 7), 7);
  EXPECT_EQ(file.ReadInteger("Option", "Empty", 7), 7);
  EXPECT_EQ(file.ReadInteger("Option", "Neg", 0), -3);
  EXPECT_EQ(file.ReadInteger("Option", "Missing", 5), 5);
  EXPECT_TRUE(file.ReadBool("Option", "On", false));
  EXPECT_FALSE(file.ReadBool("Option", "Off", true));
  EXPECT_TRUE(file.ReadBool("Option", "Two", false));   // any number but 0 is true
  EXPECT_TRUE(file.ReadBool("Option", "Word", true));   // not a number: the default
  EXPECT_FALSE(file.ReadBool("Option", "Word", false));
  EXPECT_EQ(file.ReadString("Option", "Missing", "def"), "def");
}

TEST_F(IniFileTest, WritesReachDiskOnlyOnUpdate) {
  settings::IniFile file(kPath);
  file.WriteBool(keys::kOption, keys::kThemeDark, true);
  file.WriteInteger(keys::kOption, keys::kColorBoxNumber, -16777201);
  file.WriteString(keys::kLanguageSection, keys::kLanguage, "English");
  EXPECT_FALSE(sys.files.FileExists(kPath));
  file.Update();
  EXPECT_EQ(*sys.files.ReadAll(kPath),
            "[Option]\r\nThemeDark=1\r\nColorBoxNumber=-16777201\r\n\r\n[Language]\r\nLanguage=English\r\n\r\n");
}

TEST_F(IniFileTest, ExistingFileKeepsItsEncodingAndNewFileIsAnsi) {
  struct Case {
    const char* name;
    std::optional<std::string> before;
    std::string after;
  } cases[] = {
      {"new file: ANSI, no mark", std::nullopt, "[A]\r\nk=\xCF\r\n\r\n"},
      {"ANSI stays ANSI", "[A]\r\nk=x\r\n", "[A]\r\nk=\xCF\r\n\r\n"},
      {"UTF-8 keeps its mark", "\xEF\xBB\xBF[A]\r\n", "\xEF\xBB\xBF[A]\r\nk=\xD0\x9F\r\n\r\n"},
      {"UTF-16 LE keeps its mark", std::string("\xFF\xFE", 2),
       std::string("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0\x1F\x04\r\0\n\0\r\0\n\0", 26)},
      {"UTF-16 BE keeps its mark", std::string("\xFE\xFF", 2),
       std::string("\xFE\xFF\0[\0A\0]\0\r\0\n\0k\0=\x04\x1F\0\r\0\n\0\r\0\n", 26)},
  };
  for (const auto& c : cases) {
    headless::Platform local;
    local.files.AddFolder("C:\\Data\\Config");
    if (c.before) local.files.AddFile(kPath, *c.before);
    settings::IniFile file(kPath);
    file.WriteString("A", "k", "\xD0\x9F");  // П
    file.Update();
    EXPECT_EQ(*local.files.ReadAll(kPath), c.after) << c.name;
  }
}

TEST_F(IniFileTest, FailedUpdateKeepsTheOldFileAndSaysWhy) {
  const std::string before = "[Option]\r\nTop=1\r\n";
  sys.files.AddFile(kPath, before);
  settings::IniFile file(kPath);
  file.WriteInteger("Option", "Top", 2);
  sys.files.SetReadOnlyFolder("C:\\Data\\Config");
  try {
    file.Update();
    FAIL() << "expected a file error";
  } catch (const platform::FileError& e) {
    EXPECT_STREQ(e.what(), "Cannot create file \"C:\\Data\\Config\\Option.ini\". Access is denied");
  }
  EXPECT_EQ(*sys.files.ReadAll(kPath), before);
}

TEST_F(IniFileTest, MissingFolderIsAFileError) {
  settings::IniFile file("C:\\Nowhere\\Option.ini");
  file.WriteInteger("Option", "Top", 2);
  EXPECT_THROW(file.Update(), platform::FileError);
}

TEST_F(IniFileTest, UnreadableFileIsAnOpenError) {
  sys.files.AddFile(kPath, "[Option]\r\n");
  sys.files.SetUnreadable(kPath);
  try {
    settings::IniFile file(kPath);
    FAIL() << "expected a file error";
  } catch (const platform::FileError& e) {
    EXPECT_STREQ(e.what(), "Cannot open file \"C:\\Data\\Config\\Option.ini\". Access is denied");
  }
}

TEST_F(IniFileTest, EachWriterKeepsWhatOthersWrote) {
  {
    settings::IniFile first(kPath);
    first.WriteString(keys::kLanguageSection, keys::kLanguage, "Deutsch");
    first.Update();
  }
  {
    settings::IniFile second(kPath);
    second.WriteBool(keys::kOption, keys::kCheckBoxAutoCheck, false);
    second.Update();
  }
  settings::IniFile reread(kPath);
  EXPECT_EQ(reread.ReadString(keys::kLanguageSection, keys::kLanguage, ""), "Deutsch");
  EXPECT_FALSE(reread.ReadBool(keys::kOption, keys::kCheckBoxAutoCheck, true));
}

}  // namespace
