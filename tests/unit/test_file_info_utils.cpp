#include <gtest/gtest.h>

#include <functional>

#include "info/file_info_utils.h"
#include "platform/headless/headless.h"

namespace {

const std::string kExe = "C:\\App\\Cifrona.exe";

class FileInfoTest : public ::testing::Test {
 protected:
  headless::VersionBlock& Block() { return sys.versions.BlockFor(kExe); }
  headless::Platform sys;
};

TEST_F(FileInfoTest, FileVersionNormalisation) {
  struct Case {
    std::optional<std::u16string> value;
    const char* expected;
  } cases[] = {
      {u"1, 4, 0, 12", "1.4.0.12"},  // commas become full stops, blanks are skipped
      {u"1.2.3.4 beta", "1.2.3.4"},  // the letter ends the scan
      {u"1.0 (build 5)", "1.0"},
      {u"1..2", "1.2"},
      {u".5", "5"},
      {u"1.2.", "1.2"},
      {u"beta 1.2", "1.2.0.0"},  // nothing usable: the fixed part
      {u"", "1.2.0.0"},
      {std::nullopt, "1.2.0.0"},  // absent: the fixed part
      {u"2.0.26.307", "2.0.26.307"},
      {u"7-rc1", "7"},
  };
  for (const auto& c : cases) {
    headless::Platform local;
    auto& block = local.versions.BlockFor(kExe);
    block.SetTranslation(0x0409, 0x04E4);
    block.SetFixedVersion(1, 2, 0, 0);
    if (c.value) block.SetString("StringFileInfo\\040904E4\\FileVersion", *c.value);
    EXPECT_EQ(FileInfoUtils::GetFileVersion(kExe), c.expected);
  }
}

TEST_F(FileInfoTest, LengthMayOrMayNotCountTheZero) {
  Block().SetTranslation(0x0409, 0x04E4);
  Block().SetString("StringFileInfo\\040904E4\\FileVersion", u"3.4", 3);  // without the zero
  EXPECT_EQ(FileInfoUtils::GetFileVersion(kExe), "3.4");
  Block().SetString("StringFileInfo\\040904E4\\FileVersion", u"3.4", 4);  // with it
  EXPECT_EQ(FileInfoUtils::GetFileVersion(kExe), "3.4");
  // A zero length counts as no value.
  Block().SetString("StringFileInfo\\040904E4\\FileDescription", u"Cifrona", 0);
  EXPECT_EQ(FileInfoUtils::GetFileDescription(kExe), "");
}

TEST_F(FileInfoTest, TranslationKeyChoice) {
  struct Case {
    const char* name;
    std::function<void(headless::VersionBlock&)> translation;
    const char* tableKey;
    const char* expected;
  } cases[] = {
      {"first entry gives the key", [](auto& b) { b.SetTranslation(0x0419, 0x04E3); }, "041904E3", "found"},
      {"language 0 / code page 0 means the fallback", [](auto& b) { b.SetTranslation(0, 0); }, "040904E4", "found"},
      {"no translation: fallback", [](auto&) {}, "040904E4", "found"},
      {"under 4 bytes counts as absent", [](auto& b) { b.SetRaw("VarFileInfo\\Translation", {0x19, 0x04}, 2); },
       "040904E4", "found"},
      {"no pointer counts as absent", [](auto& b) { b.SetRaw("VarFileInfo\\Translation", {}, 4); }, "040904E4",
       "found"},
      {"only the first entry is tried",
       [](auto& b) { b.SetRaw("VarFileInfo\\Translation", {0x19, 0x04, 0xE3, 0x04, 0x09, 0x04, 0xE4, 0x04}, 8); },
       "040904E4", ""},
      {"table under another key than the translation", [](auto& b) { b.SetTranslation(0x0409, 0x04E4); },
       "041904E3", ""},
  };
  for (const auto& c : cases) {
    headless::Platform local;
    auto& block = local.versions.BlockFor(kExe);
    c.translation(block);
    block.SetString(std::string("StringFileInfo\\") + c.tableKey + "\\CompanyName", u"found");
    EXPECT_EQ(FileInfoUtils::GetCompanyName(kExe), c.expected) << c.name;
  }
}

TEST_F(FileInfoTest, StringValuesAndEmptyResults) {
  Block().SetTranslation(0x0409, 0x04E4);
  Block().SetString("StringFileInfo\\040904E4\\FileDescription", u"Cifrona");
  Block().SetString("StringFileInfo\\040904E4\\LegalCopyright", u"\u00A9 2026 \u041F");
  EXPECT_EQ(FileInfoUtils::GetFileDescription(kExe), "Cifrona");
  EXPECT_EQ(FileInfoUtils::GetLegalCopyright(kExe), "\xC2\xA9 2026 \xD0\x9F");
  EXPECT_EQ(FileInfoUtils::GetCompanyName(kExe), "");
  EXPECT_EQ(FileInfoUtils::GetVersionInfoValue(kExe, "Nothing"), "");
  EXPECT_EQ(FileInfoUtils::GetFileVersion(kExe), "");  // no string and no fixed part
  // No resource at all: every operation is empty.
  const std::string other = "C:\\Other.exe";
  EXPECT_EQ(FileInfoUtils::GetFileVersion(other), "");
  EXPECT_EQ(FileInfoUtils::GetFileDescription(other), "");
  EXPECT_EQ(FileInfoUtils::GetLegalCopyright(other), "");
  EXPECT_EQ(FileInfoUtils::GetCompanyName(other), "");
}

TEST_F(FileInfoTest, EveryCallLoadsAfresh) {
  Block().SetFixedVersion(1, 0, 0, 0);
  EXPECT_EQ(FileInfoUtils::GetFileVersion(kExe), "1.0.0.0");
  Block().SetFixedVersion(65535, 1, 2, 3);  // words read unsigned
  EXPECT_EQ(FileInfoUtils::GetFileVersion(kExe), "65535.1.2.3");
  EXPECT_EQ(sys.versions.loads, 2);
}

}  // namespace
