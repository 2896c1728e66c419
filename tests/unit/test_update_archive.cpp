// The portable update's archive: which entry names may be unpacked, the archive reader's
// refusals, and the staging folder beside the executable.
#include <gtest/gtest.h>

#include "platform/headless/headless.h"
#include "tests/support/zip_writer.h"
#include "updater/update_archive.h"

namespace {

using updater::ArchiveError;
using updater::EntryPath;

TEST(EntryPath, KeepsPlainRelativeNamesAndRefusesAnyThatCouldLeaveTheFolder) {
  struct Case {
    std::string name;
    bool utf8;
    const char* path;  // nullptr: refused
  } cases[] = {
      {"Cifrona.exe", false, "Cifrona.exe"},
      {"Language/English.ini", false, "Language\\English.ini"},
      {"Language\\Russian.ini", false, "Language\\Russian.ini"},
      {"Language/", false, "Language"},
      {"Язык/Русский.ini", true, "Язык\\Русский.ini"},
      {".hidden", false, ".hidden"},
      {"a..b.txt", false, "a..b.txt"},
      {"console.txt", false, "console.txt"},
      {"COM10", false, "COM10"},
      // Leaving the folder.
      {"../evil.exe", false, nullptr},
      {"..\\..\\evil.exe", false, nullptr},
      {"Language/../../evil.exe", false, nullptr},
      {"./Cifrona.exe", false, nullptr},
      {"..", false, nullptr},
      {"/etc/passwd", false, nullptr},
      {"\\Windows\\evil.exe", false, nullptr},
      {"\\\\server\\share\\evil.exe", false, nullptr},
      {"//server/share/evil.exe", false, nullptr},
      {"C:\\Windows\\evil.exe", false, nullptr},
      {"C:evil.exe", false, nullptr},
      // Streams, devices and names Windows would change.
      {"Cifrona.exe:Zone.Identifier", false, nullptr},
      {"CON", false, nullptr},
      {"nul.txt", false, nullptr},
      {"Language/aux.ini", false, nullptr},
      {"COM1.log", false, nullptr},
      {"lpt9", false, nullptr},
      {"CONIN$", false, nullptr},
      {"COM\xC2\xB9", true, nullptr},
      {"evil.exe.", false, nullptr},
      {"evil.exe ", false, nullptr},
      {".. ", false, nullptr},
      {"...", false, nullptr},
      {"a//b", false, nullptr},
      {"", false, nullptr},
      {"what?.exe", false, nullptr},
      {"a<b", false, nullptr},
      {"a\"b", false, nullptr},
      {"a|b", false, nullptr},
      {"tab\there", false, nullptr},
      {std::string("nul\0byte", 8), false, nullptr},
      // Encodings: without the UTF-8 flag only ASCII; with it only well-formed UTF-8.
      {"\xD0\xAF.ini", false, nullptr},
      {"\xC0\xAE\xC0\xAE/evil.exe", true, nullptr},
      {"\xED\xA0\x80.ini", true, nullptr},
      {"\xFF.ini", true, nullptr},
      {std::string(241, 'a'), false, nullptr},
  };
  for (const Case& c : cases) {
    std::optional<std::string> path = EntryPath(c.name, c.utf8);
    if (c.path) {
      EXPECT_EQ(path, std::optional<std::string>(c.path)) << c.name;
    } else {
      EXPECT_FALSE(path) << c.name << " -> " << path.value_or("");
    }
  }
}

TEST(ReadArchive, ReadsStoredAndDeflatedEntriesInOrder) {
  const std::string big(100000, 'z');
  auto entries = updater::ReadArchive(testzip::Zip({{"Cifrona.exe", "MZ"},
                                                     {"Language/", ""},
                                                     {"Language/English.ini", big, false, true},
                                                     {"Язык/Русский.ini", "Да", true}}));
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].path, "Cifrona.exe");
  EXPECT_EQ(entries[0].bytes, "MZ");
  EXPECT_TRUE(entries[1].folder);
  EXPECT_EQ(entries[2].bytes, big);
  EXPECT_EQ(entries[3].path, "Язык\\Русский.ini");
}

TEST(ReadArchive, RefusesTheWholeArchiveForOneBadEntry) {
  using testzip::Entry;
  struct Case {
    const char* what;
    std::string zip;
    updater::ArchiveLimits limits;
  } cases[] = {
      {"a climbing name", testzip::Zip({{"Cifrona.exe", "MZ"}, {"../../evil.exe", "x"}}), {}},
      {"an absolute name", testzip::Zip({{"/tmp/evil", "x"}}), {}},
      {"a drive", testzip::Zip({{"C:/evil", "x"}}), {}},
      {"a server", testzip::Zip({{"\\\\server\\share\\evil", "x"}}), {}},
      {"a stream", testzip::Zip({{"Cifrona.exe:evil", "x"}}), {}},
      {"a device", testzip::Zip({{"Language/NUL", "x"}}), {}},
      {"the same file twice", testzip::Zip({{"Cifrona.exe", "MZ"}, {"CIFRONA.EXE", "MZ"}}), {}},
      {"more bytes than declared", testzip::Zip({{"Cifrona.exe", "MZ MZ", false, true, 2}}), {}},
      {"fewer bytes than declared", testzip::Zip({{"Cifrona.exe", "MZ", false, false, 200}}), {}},
      {"a damaged checksum", testzip::Zip({{"Cifrona.exe", "MZ", false, true, -1, true}}), {}},
      {"too large unpacked", testzip::Zip({{"a", std::string(600, 'a'), false, true}, {"b", std::string(600, 'b'), false, true}}),
       {1000, 10}},
      {"too many entries", testzip::Zip({{"a", ""}, {"b", ""}, {"c", ""}}), {1000, 2}},
      {"not an archive", "MZ this is no zip", {}},
      {"nothing", "", {}},
  };
  for (const Case& c : cases) EXPECT_THROW(updater::ReadArchive(c.zip, c.limits), ArchiveError) << c.what;
  // Cut anywhere, an archive is refused or, where only zero bytes of its last record are
  // missing, read whole and unchanged: never read past its end, never half.
  const std::string whole = testzip::Zip({{"Cifrona.exe", "MZ program"}, {"portable.ini", ""}});
  for (size_t n = 0; n < whole.size(); ++n) {
    try {
      auto entries = updater::ReadArchive(whole.substr(0, n));
      ASSERT_EQ(entries.size(), 2u) << n;
      EXPECT_EQ(entries[0].bytes, "MZ program") << n;
      EXPECT_GE(n, whole.size() - 4) << n;
    } catch (const ArchiveError&) {
    }
  }
}

TEST(StageArchive, ReplacesWhateverWasStagedBeforeAndMakesTheFolders) {
  headless::Platform sys;
  sys.files.AddFolder("D:\\Cifrona");
  sys.files.AddFile("D:\\Cifrona\\update.staging\\old\\stale.txt", "stale");
  updater::StageArchive(updater::ReadArchive(testzip::Zip({{"Cifrona.exe", "MZ"}, {"Language/Deep/x.ini", "x"}})),
                        "D:\\Cifrona\\update.staging\\");
  EXPECT_EQ(sys.files.ReadAll("D:\\Cifrona\\update.staging\\Cifrona.exe"), "MZ");
  EXPECT_EQ(sys.files.ReadAll("D:\\Cifrona\\update.staging\\Language\\Deep\\x.ini"), "x");
  EXPECT_FALSE(sys.files.FolderExists("D:\\Cifrona\\update.staging\\old"));
  EXPECT_TRUE(updater::RemoveTree("D:\\Cifrona\\update.staging\\"));
  EXPECT_FALSE(sys.files.FolderExists("D:\\Cifrona\\update.staging"));
  EXPECT_TRUE(sys.files.FolderExists("D:\\Cifrona"));
}

}  // namespace
