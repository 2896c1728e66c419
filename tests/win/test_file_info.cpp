// The version reader against the real GetFileVersionInfoW / VerQueryValueW.
#include <gtest/gtest.h>

#include "info/file_info_utils.h"
#include "win_test_util.h"

namespace {

class FileInfoWin : public ::testing::Test {
 protected:
  win32::Platform platform;
  const std::string fixtures = wintest::ModuleFolder() + "fixtures\\";
};

TEST_F(FileInfoWin, CraftedResources) {
  struct Case {
    const char* file;
    const char* version;
    const char* company;
  } cases[] = {
      {"translation_zero.exe", "1.4.0.12", "Zero Maker"},  // 0/0 reads through 040904E4
      {"short_translation.exe", "1.0", "Short Maker"},     // under 4 bytes counts as absent
      {"other_key.exe", "1.2.0.0", ""},                    // table under another key: fixed part
      {"no_file_version.exe", "3.1.4.1", ""},              // no FileVersion: fixed part
      {"no_resource.exe", "", ""},                         // nothing at all
      {"does_not_exist.exe", "", ""},
  };
  for (const auto& c : cases) {
    const std::string path = fixtures + c.file;
    EXPECT_EQ(FileInfoUtils::GetFileVersion(path), c.version) << c.file;
    EXPECT_EQ(FileInfoUtils::GetCompanyName(path), c.company) << c.file;
  }
  EXPECT_EQ(FileInfoUtils::GetFileDescription(fixtures + "no_file_version.exe"), "No Version Here");
  EXPECT_EQ(FileInfoUtils::GetLegalCopyright(fixtures + "no_resource.exe"), "");
}

// The program's own resource: every value it must carry, under 040904E4.
void CheckProgramResource(const std::string& exe) {
  ASSERT_TRUE(wintest::Exists(exe)) << exe;
  const struct {
    const char* name;
    std::string value;
  } values[] = {
      {"CompanyName", CIFRONA_COMPANY},   {"FileDescription", "Cifrona"},    {"FileVersion", CIFRONA_VERSION},
      {"InternalName", "Cifrona"},        {"LegalCopyright", CIFRONA_COPYRIGHT},
      {"LegalTrademarks", CIFRONA_COMPANY}, {"OriginalFilename", "Cifrona"}, {"ProgramID", "Cifrona"},
      {"ProductName", "Cifrona"},         {"ProductVersion", CIFRONA_VERSION}, {"Comments", "Cifrona"},
  };
  for (const auto& v : values) EXPECT_EQ(FileInfoUtils::GetVersionInfoValue(exe, v.name), v.value) << v.name;
  EXPECT_EQ(FileInfoUtils::GetFileVersion(exe), CIFRONA_VERSION);

  // Translation entry and fixed part, read raw.
  const std::wstring wexe = win32::Wide(exe);
  DWORD ignored = 0;
  std::string block(GetFileVersionInfoSizeW(wexe.c_str(), &ignored), '\0');
  ASSERT_TRUE(GetFileVersionInfoW(wexe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  WORD* translation = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
  ASSERT_EQ(len, 4u);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 0x04E4);
  VS_FIXEDFILEINFO* fixed = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
  char fixedText[64];
  snprintf(fixedText, sizeof fixedText, "%lu.%lu.%lu.%lu", fixed->dwFileVersionMS >> 16,
           fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF);
  EXPECT_STREQ(fixedText, CIFRONA_VERSION);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
}

TEST_F(FileInfoWin, ProgramResource) { CheckProgramResource(wintest::ModuleFolder() + "..\\..\\Cifrona.exe"); }

TEST_F(FileInfoWin, ReleaseBuildResource) {
  const std::string release = wintest::ModuleFolder() + "..\\..\\..\\win32\\Cifrona.exe";
  if (!wintest::Exists(release)) GTEST_SKIP() << "the 32-bit build is not there";
  CheckProgramResource(release);
}

}  // namespace
