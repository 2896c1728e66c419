// The Win32 services against the real API: files, registry, system facts, and the
// settings file and storage locations on top of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "app/storage_locations.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/win32/win32_services.h"
#include "settings/ini_file.h"
#include "win_test_util.h"

namespace {

class Win32Test : public ::testing::Test {
 protected:
  Win32Test() {
    folder = platform::Current().system->TempFolder() + "cifrona-test-" + std::to_string(GetCurrentProcessId()) + "\\";
    paths::ForceFolders(folder);
  }
  ~Win32Test() override {
    for (const auto& name : fs().List(folder, "*")) fs().Remove(folder + name);
    RemoveDirectoryW(win32::Wide(folder).c_str());
  }
  platform::FileSystem& fs() { return *platform::Current().files; }

  win32::Platform platform;
  std::string folder;
};

TEST_F(Win32Test, SystemFacts) {
  const auto& sys = *platform::Current().system;
  EXPECT_TRUE(text::EndsWith(sys.ExecutablePath(), "test_platform_win32.exe")) << sys.ExecutablePath();
  ASSERT_TRUE(sys.RoamingAppDataFolder().has_value());
  EXPECT_TRUE(fs().FolderExists(*sys.RoamingAppDataFolder()));
  EXPECT_TRUE(text::EndsWith(sys.TempFolder(), "\\"));
  const std::string russian = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // representable in 1251
  if (sys.Ansi().CodePage() == 1251) EXPECT_EQ(sys.Ansi().ToUtf8(sys.Ansi().FromUtf8(russian)), russian);
  EXPECT_EQ(sys.Ansi().ToUtf8(sys.Ansi().FromUtf8("plain ASCII")), "plain ASCII");
}

// A copy that loses the race between the check and the creation learns it from the creation.
TEST_F(Win32Test, CreatingANamedMutexTellsWhetherAnotherCopyMadeItFirst) {
  auto& process = *platform::Current().process;
  const std::string name = "cifrona-test-mutex-" + std::to_string(GetCurrentProcessId());
  EXPECT_TRUE(process.CreateNamedMutex(name + "-new"));
  HANDLE other = CreateMutexW(nullptr, FALSE, win32::Wide(name).c_str());  // the other copy's
  ASSERT_NE(other, nullptr);
  EXPECT_FALSE(process.CreateNamedMutex(name));
  CloseHandle(other);
}

TEST_F(Win32Test, FilesReplaceListAndRemove) {
  const std::string file = folder + "a.ini";
  EXPECT_FALSE(fs().ReadAll(file).has_value());
  fs().ReplaceAll(file, std::string("one\0two", 7));
  EXPECT_EQ(*fs().ReadAll(file), std::string("one\0two", 7));
  fs().ReplaceAll(file, "second");
  EXPECT_EQ(*fs().ReadAll(file), "second");
  fs().ReplaceAll(folder + "b.ini", "");
  fs().ReplaceAll(folder + "c.txt", "");
  EXPECT_EQ(fs().List(folder, "*.ini"), (std::vector<std::string>{"a.ini", "b.ini"}));  // no temporary left
  EXPECT_TRUE(fs().FileExists(file));
  EXPECT_FALSE(fs().FolderExists(file));
  EXPECT_TRUE(fs().CanOpenExclusive(file));
  EXPECT_TRUE(fs().Remove(folder + "c.txt"));
  EXPECT_FALSE(fs().FileExists(folder + "c.txt"));
}

TEST_F(Win32Test, ListingReportsFoldersTooAndTextsCompareInTheUsersLocale) {
  fs().ReplaceAll(folder + "b.ini", "");
  ASSERT_TRUE(CreateDirectoryW(win32::Wide(folder + "a.ini").c_str(), nullptr));
  auto names = fs().List(folder, "*.ini");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.ini", "b.ini"}));
  for (const auto& name : fs().List(folder, "*")) EXPECT_TRUE(name != "." && name != "..") << name;
  EXPECT_FALSE(fs().CanOpenExclusive(folder + "a.ini"));  // a folder is no file to write
  RemoveDirectoryW(win32::Wide(folder + "a.ini").c_str());

  const auto& sys = *platform::Current().system;
  EXPECT_EQ(sys.CompareTextLocale("english", "English"), 0);
  EXPECT_LT(sys.CompareTextLocale("arabic", "English"), 0);
  EXPECT_GT(sys.CompareTextLocale("russian", "English"), 0);
  EXPECT_LT(sys.CompareTextLocale("\xD0\xB1", "\xD0\x92"), 0);  // "б" before "В"
}

TEST_F(Win32Test, FailedReplaceKeepsTheOldFile) {
  const std::string file = folder + "locked.ini";
  fs().ReplaceAll(file, "old");
  // Held open without sharing, the file cannot be replaced.
  HANDLE h = CreateFileW(win32::Wide(file).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(fs().CanOpenExclusive(file));
  try {
    fs().ReplaceAll(file, "new");
    ADD_FAILURE() << "expected a file error";
  } catch (const platform::FileError& e) {
    EXPECT_TRUE(text::StartsWith(e.what(), "Cannot create file \"" + file + "\". ")) << e.what();
  }
  CloseHandle(h);
  EXPECT_EQ(*fs().ReadAll(file), "old");
  EXPECT_EQ(fs().List(folder, "*.tmp").size(), 0u);
  // A folder that does not exist.
  EXPECT_THROW(fs().ReplaceAll(folder + "missing\\x.ini", "x"), platform::FileError);
}

// A folder that takes no new file but whose settings file is writable: the file is
// rewritten in place. Wine keeps no access rules on files and the tests run as root, past
// Unix permissions, so the temporary file is refused another way Windows refuses it too:
// a folder holds its name, and creating a file there is denied access.
TEST_F(Win32Test, NoRoomForTheTemporaryFileRewritesInPlace) {
  const std::string file = folder + "Option.ini";
  const auto blockTemporary = [&](const std::string& target) {
    ASSERT_TRUE(CreateDirectoryW(win32::Wide(target + ".tmp").c_str(), nullptr));
  };
  const auto unblock = [&](const std::string& target) { RemoveDirectoryW(win32::Wide(target + ".tmp").c_str()); };
  fs().ReplaceAll(file, "[Option]\r\nSpinEditNumber=995\r\nTop=10\r\n");
  blockTemporary(file);
  // Shorter, longer and empty: the old content never shows through at the end.
  for (const std::string& content : {std::string("[Option]\r\nTop=1\r\n"), std::string(70000, 'x') + "\r\n", std::string()}) {
    fs().ReplaceAll(file, content);
    EXPECT_EQ(*fs().ReadAll(file), content);
  }
  // An existing file that cannot be opened for writing either: the temporary file's error,
  // and the file as it was.
  fs().ReplaceAll(file, "kept");
  HANDLE h = CreateFileW(win32::Wide(file).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  try {
    fs().ReplaceAll(file, "new");
    ADD_FAILURE() << "expected a file error";
  } catch (const platform::FileError& e) {
    EXPECT_TRUE(text::StartsWith(e.what(), "Cannot create file \"" + file + "\". ")) << e.what();
  }
  CloseHandle(h);
  EXPECT_EQ(*fs().ReadAll(file), "kept");
  unblock(file);
  // No file yet: nothing to rewrite, so the error stands and nothing is made.
  const std::string absent = folder + "absent.ini";
  blockTemporary(absent);
  EXPECT_THROW(fs().ReplaceAll(absent, "x"), platform::FileError);
  EXPECT_FALSE(fs().FileExists(absent));
  unblock(absent);
  // The settings file on top of it.
  fs().ReplaceAll(file, "[Option]\r\nSpinEditNumber=995\r\nTop=10\r\n");
  blockTemporary(file);
  {
    settings::IniFile ini(file);
    ini.WriteInteger("Option", "Top", 7);
    ini.Update();
  }
  unblock(file);
  settings::IniFile reread(file);
  EXPECT_EQ(reread.ReadInteger("Option", "Top", 0), 7);
  EXPECT_EQ(reread.ReadInteger("Option", "SpinEditNumber", 0), 995);
}

TEST_F(Win32Test, SettingsFileRoundTripKeepsUtf16) {
  const std::string file = folder + "Option.ini";
  fs().ReplaceAll(file, std::string("\xFF\xFE[\0O\0p\0t\0i\0o\0n\0]\0\r\0\n\0", 22));
  settings::IniFile ini(file);
  EXPECT_EQ(ini.Encoding(), settings::TextEncoding::Utf16LE);
  ini.WriteInteger("Option", "Top", -5);
  ini.Update();
  EXPECT_EQ(*fs().ReadAll(file),
            std::string("\xFF\xFE[\0O\0p\0t\0i\0o\0n\0]\0\r\0\n\0T\0o\0p\0=\0-\0" "5\0\r\0\n\0\r\0\n\0", 42));
}

TEST_F(Win32Test, Registry) {
  const std::string key = "Software\\CifronaTest" + std::to_string(GetCurrentProcessId());
  auto& reg = *platform::Current().registry;
  EXPECT_EQ(reg.Open(platform::RegRoot::CurrentUser, key, false), nullptr);
  {
    auto k = reg.Open(platform::RegRoot::CurrentUser, key, true);
    ASSERT_NE(k, nullptr);
    k->WriteString("Text", "\xD0\x9F\"C:\\x.exe\"");
    k->WriteInteger("Number", -2);
  }
  auto k = reg.Open(platform::RegRoot::CurrentUser, key, false);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->ReadString("text"), "\xD0\x9F\"C:\\x.exe\"");
  EXPECT_EQ(k->ReadInteger("Number"), -2);
  EXPECT_EQ(k->ReadString("Missing"), std::nullopt);
  EXPECT_THROW(k->ReadInteger("Text"), platform::RegistryError);
  EXPECT_TRUE(k->ValueExists("Number"));
  {
    // An integer is read into four bytes: larger data cannot be got, smaller or other data
    // has the wrong type.
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, win32::Wide(key).c_str(), 0, KEY_SET_VALUE, &raw), ERROR_SUCCESS);
    const unsigned long long wide = 1;
    const wchar_t zero[] = L"0";
    const BYTE two[2] = {0, 0};
    RegSetValueExW(raw, L"QWord", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&wide), sizeof wide);
    RegSetValueExW(raw, L"ShortText", 0, REG_SZ, reinterpret_cast<const BYTE*>(zero), sizeof zero);
    RegSetValueExW(raw, L"TwoBytes", 0, REG_BINARY, two, sizeof two);
    RegCloseKey(raw);
    const struct {
      const char* name;
      const char* text;
    } cases[] = {{"Text", "Failed to get data for 'Text'"},
                 {"QWord", "Failed to get data for 'QWord'"},
                 {"ShortText", "Invalid data type for 'ShortText'"},
                 {"TwoBytes", "Invalid data type for 'TwoBytes'"}};
    for (const auto& c : cases) {
      try {
        k->ReadInteger(c.name);
        ADD_FAILURE() << c.name;
      } catch (const platform::RegistryError& e) {
        EXPECT_STREQ(e.what(), c.text);
      }
    }
  }
  k.reset();
  auto w = reg.Open(platform::RegRoot::CurrentUser, key, true);
  EXPECT_TRUE(w->DeleteValue("Number"));
  EXPECT_FALSE(w->ValueExists("Number"));
  EXPECT_FALSE(w->DeleteValue("Number"));
  w.reset();
  RegDeleteKeyW(HKEY_CURRENT_USER, win32::Wide(key).c_str());
  // The Windows version values the operating-system gate reads are there in the prefix.
  auto nt = reg.Open(platform::RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", false);
  ASSERT_NE(nt, nullptr);
  EXPECT_TRUE(nt->ValueExists("CurrentBuild") || nt->ValueExists("CurrentBuildNumber"));
}

TEST_F(Win32Test, StorageLocationsInBothModes) {
  const std::string exeFolder = app::ExecutableFolder();
  const std::string marker = exeFolder + "portable.ini";
  fs().Remove(marker);

  app::DecidePortableMode();
  EXPECT_FALSE(app::IsPortable());
  const std::string installed = app::PortablePath();
  EXPECT_EQ(installed, app::GetAppDataRoamingPath() + CIFRONA_COMPANY "\\Cifrona\\Config\\Option.ini");
  EXPECT_TRUE(fs().FolderExists(paths::ExtractFilePath(installed)));

  fs().ReplaceAll(marker, "");
  app::DecidePortableMode();
  EXPECT_TRUE(app::IsPortable());
  EXPECT_EQ(app::PortablePath(), exeFolder + "Config\\Option.ini");
  EXPECT_TRUE(fs().FolderExists(exeFolder + "Config"));
  fs().Remove(marker);
  RemoveDirectoryW(win32::Wide(exeFolder + "Config").c_str());
}

// The portable meanings reach Win32 as the exact values the window manager expects.
UINT g_positionFlags = 0;
LRESULT CALLBACK RecordPosition(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_WINDOWPOSCHANGING) g_positionFlags = reinterpret_cast<const WINDOWPOS*>(lParam)->flags;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(Win32Test, PortableMeaningsMapToTheWin32Values) {
  EXPECT_EQ(win32::ZOrderFlags(platform::ZOrderKeep::AtTick), 0x3Bu);  // no size/move/redraw/activate, frame changed
  EXPECT_EQ(win32::ZOrderFlags(platform::ZOrderKeep::MenuOpen), 0x1Bu);
  EXPECT_EQ(win32::MessageBoxFlags(platform::MessageIcon::Error), static_cast<unsigned>(MB_ICONERROR));
  EXPECT_EQ(win32::MessageBoxFlags(platform::MessageIcon::None), 0u);
  EXPECT_EQ(win32::ShowCommandValue(platform::ShowCommand::Hide), 0);
  EXPECT_EQ(win32::ShowCommandValue(platform::ShowCommand::Normal), 1);
  EXPECT_EQ(win32::ShowCommandValue(platform::ShowCommand::Show), 5);

  // And the window itself is asked with those flags.
  WNDCLASSW wc{};
  wc.lpfnWndProc = RecordPosition;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"CifronaZOrderProbe";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, nullptr, nullptr,
                              wc.hInstance, nullptr);
  ASSERT_TRUE(hwnd);
  const auto handle = reinterpret_cast<platform::WindowHandle>(hwnd);
  for (const auto& [why, flags] : {std::pair{platform::ZOrderKeep::AtTick, 0x3Bu},
                                   std::pair{platform::ZOrderKeep::MenuOpen, 0x1Bu}}) {
    g_positionFlags = 0;
    platform::Current().windows->SetWindowPosBottom(handle, why);
    EXPECT_EQ(g_positionFlags & 0x3Fu, flags);  // the low bits are the caller's; the system may add its own above
  }
  DestroyWindow(hwnd);
  UnregisterClassW(wc.lpszClassName, wc.hInstance);
}

}  // namespace
