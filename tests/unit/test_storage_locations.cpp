#include <gtest/gtest.h>

#include "app/storage_locations.h"
#include "platform/headless/headless.h"

namespace {

class StorageTest : public ::testing::Test {
 protected:
  StorageTest() {
    sys.system.exePath = "C:\\Tools\\Cifrona\\Cifrona.exe";
    sys.files.AddFile(sys.system.exePath, "MZ");
    sys.files.AddFolder("C:\\Users\\User\\AppData\\Roaming");
    auto& block = sys.versions.BlockFor(sys.system.exePath);
    block.SetTranslation(0x0409, 0x04E4);
    block.SetString("StringFileInfo\\040904E4\\CompanyName", u"Maker");
  }
  headless::Platform sys;
};

TEST_F(StorageTest, InstalledPathIsPerUserAndMadeOnRequest) {
  app::DecidePortableMode();
  EXPECT_FALSE(app::IsPortable());
  EXPECT_EQ(app::PortablePath(), "C:\\Users\\User\\AppData\\Roaming\\Maker\\Cifrona\\Config\\Option.ini");
  EXPECT_TRUE(sys.files.FolderExists("C:\\Users\\User\\AppData\\Roaming\\Maker\\Cifrona\\Config"));
  EXPECT_FALSE(sys.files.FileExists("C:\\Users\\User\\AppData\\Roaming\\Maker\\Cifrona\\Config\\Option.ini"));
}

TEST_F(StorageTest, PortableMarkerPutsSettingsBesideTheExecutable) {
  sys.files.AddFile("C:\\Tools\\Cifrona\\portable.ini", "");
  app::DecidePortableMode();
  EXPECT_TRUE(app::IsPortable());
  EXPECT_EQ(app::PortablePath(), "C:\\Tools\\Cifrona\\Config\\Option.ini");
  EXPECT_TRUE(sys.files.FolderExists("C:\\Tools\\Cifrona\\Config"));
  // The marker is read once: removing it changes nothing until the next start.
  sys.files.Remove("C:\\Tools\\Cifrona\\portable.ini");
  EXPECT_EQ(app::PortablePath(), "C:\\Tools\\Cifrona\\Config\\Option.ini");
  app::DecidePortableMode();
  EXPECT_FALSE(app::IsPortable());
}

TEST_F(StorageTest, AFolderNamedLikeTheMarkerDoesNotCount) {
  sys.files.AddFolder("C:\\Tools\\Cifrona\\portable.ini");
  app::DecidePortableMode();
  EXPECT_FALSE(app::IsPortable());
}

TEST_F(StorageTest, ReadOnlyPortableFolderStillGivesThePath) {
  sys.files.AddFile("C:\\Tools\\Cifrona\\portable.ini", "");
  sys.files.SetReadOnlyFolder("C:\\Tools\\Cifrona");
  app::DecidePortableMode();
  EXPECT_EQ(app::PortablePath(), "C:\\Tools\\Cifrona\\Config\\Option.ini");  // failure shows only on write
  EXPECT_FALSE(sys.files.FolderExists("C:\\Tools\\Cifrona\\Config"));
}

TEST_F(StorageTest, EveryRequestRecreatesTheFolder) {
  app::DecidePortableMode();
  const std::string path = app::PortablePath();
  headless::Platform fresh;  // as if the folder tree had been deleted meanwhile
  fresh.system.exePath = sys.system.exePath;
  fresh.versions.BlockFor(sys.system.exePath) = sys.versions.BlockFor(sys.system.exePath);
  EXPECT_EQ(app::PortablePath(), path);
  EXPECT_TRUE(fresh.files.FolderExists("C:\\Users\\User\\AppData\\Roaming\\Maker\\Cifrona\\Config"));
}

TEST_F(StorageTest, OddPaths) {
  app::DecidePortableMode();
  // An empty company name: two backslashes in a row, used unchanged.
  sys.versions.BlockFor(sys.system.exePath).SetString("StringFileInfo\\040904E4\\CompanyName", u"");
  EXPECT_EQ(app::PortablePath(), "C:\\Users\\User\\AppData\\Roaming\\\\Cifrona\\Config\\Option.ini");
  EXPECT_TRUE(sys.files.FolderExists("C:\\Users\\User\\AppData\\Roaming\\Cifrona\\Config"));
  // No application-data folder: the path starts at the drive's root.
  sys.system.appData.reset();
  EXPECT_EQ(app::GetAppDataRoamingPath(), "");
  EXPECT_EQ(app::PortablePath(), "\\\\Cifrona\\Config\\Option.ini");
  sys.versions.BlockFor(sys.system.exePath).SetString("StringFileInfo\\040904E4\\CompanyName", u"Maker");
  EXPECT_EQ(app::PortablePath(), "\\Maker\\Cifrona\\Config\\Option.ini");
  EXPECT_TRUE(sys.files.FolderExists("\\Maker\\Cifrona\\Config"));
}

TEST_F(StorageTest, AppDataGetsExactlyOneTrailingBackslash) {
  sys.system.appData = "C:\\Roam";
  EXPECT_EQ(app::GetAppDataRoamingPath(), "C:\\Roam\\");
  sys.system.appData = "C:\\Roam\\";
  EXPECT_EQ(app::GetAppDataRoamingPath(), "C:\\Roam\\");
}

}  // namespace
