// The portable update's archive and its entry-name rules. The input is read as a ZIP, and
// on its own as an entry name. For any input: no crash and no exception but ArchiveError;
// every name taken is a relative path of plain Windows names that cannot leave the folder it
// is unpacked in; the limits hold; and staging an accepted archive writes nothing outside
// the staging folder.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/headless/headless.h"
#include "updater/update_archive.h"

namespace {

constexpr const char* kStaging = "C:\\Program Files\\Cifrona\\update.staging\\";

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

// What an accepted path must be, checked without the reader's own helpers.
bool PlainRelativePath(const std::string& path, bool utf8) {
  if (path.empty() || path.front() == '\\' || path.back() == '\\') return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find('\\', start);
    const std::string c = path.substr(start, end == std::string::npos ? end : end - start);
    if (c.empty() || c == "." || c == ".." || c.back() == '.' || c.back() == ' ') return false;
    for (unsigned char ch : c) {
      if (ch < 0x20 || ch == 0x7F || (ch != 0 && std::strchr("<>:\"/|?*", ch))) return false;
      if (!utf8 && ch >= 0x80) return false;
    }
    std::string base = Upper(c.substr(0, c.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL"})
      if (base == device) return false;
    if (base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '0' && base[3] <= '9')
      return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static headless::Platform sys;
  static const bool installed = (sys.files.AddFile(sys.system.exePath, "MZ"), true);  // the program's folder
  (void)installed;
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  for (bool utf8 : {false, true}) {
    bool folder = false;
    if (auto path = updater::EntryPath(input, utf8, &folder)) {
      FUZZ_CHECK(PlainRelativePath(*path, utf8));
      FUZZ_CHECK(folder == (input.back() == '/' || input.back() == '\\'));
    }
  }

  updater::ArchiveLimits limits;
  limits.maxTotalBytes = 1u << 20;  // small, so the fuzzer reaches the limits too
  limits.maxEntries = 64;
  std::vector<updater::ArchiveEntry> entries;
  try {
    entries = updater::ReadArchive(input, limits);
  } catch (const updater::ArchiveError&) {
    return 0;
  }
  FUZZ_CHECK(entries.size() <= limits.maxEntries);
  std::uint64_t total = 0;
  for (const auto& e : entries) {
    FUZZ_CHECK(PlainRelativePath(e.path, true));
    FUZZ_CHECK(!e.folder || e.bytes.empty());
    total += e.bytes.size();
  }
  FUZZ_CHECK(total <= limits.maxTotalBytes);

  const auto before = sys.files.AllFiles();
  updater::StageArchive(entries, kStaging);
  for (const std::string& f : sys.files.AllFiles())
    FUZZ_CHECK(Upper(f).starts_with(Upper(kStaging)) || std::find(before.begin(), before.end(), f) != before.end());
  FUZZ_CHECK(updater::RemoveTree(kStaging));
  FUZZ_CHECK(sys.files.AllFiles() == before);
  return 0;
}
