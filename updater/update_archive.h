// The portable update's archive: read from the verified bytes in memory, every entry name
// checked before anything is written, then staged in a folder beside the executable for
// the update script to move into place.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace updater {

class ArchiveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ArchiveLimits {
  std::uint64_t maxTotalBytes = 64u << 20;  // all entries unpacked; the program is under 2 MiB
  std::size_t maxEntries = 1000;
};

struct ArchiveEntry {
  std::string path;  // relative, backslashes, no trailing backslash
  bool folder = false;
  std::string bytes;
};

// The entry's name as a relative Windows path inside the program folder, or nullopt when
// it could leave that folder or name something other than a plain file: "..", ".", an
// absolute or UNC path, a drive, any colon (alternate data streams), device names (CON,
// NUL, COM1, ...), characters Windows forbids in names, components that end in a dot or a
// blank (Windows would strip them), empty components. Names without the UTF-8 flag must
// be ASCII: their code page is unknown. A trailing slash makes a folder entry.
std::optional<std::string> EntryPath(std::string_view name, bool utf8, bool* folder = nullptr);

// Every entry of a ZIP held in memory, in archive order. Throws ArchiveError, naming the
// entry, on the first refused name, duplicate, encrypted entry, damaged data or
// exceeded limit: nothing is returned from an archive that is refused.
std::vector<ArchiveEntry> ReadArchive(std::string_view zip, const ArchiveLimits& limits = {});

// The folder beside the executable that an update is staged in.
inline constexpr const char* kStagingFolderName = "update.staging";

// Writes the entries under stagingFolder (ending in a backslash), which is emptied first.
// Throws on failure; the caller removes the folder again.
void StageArchive(const std::vector<ArchiveEntry>& entries, const std::string& stagingFolder);
// Deletes a folder and everything in it; false when something is left.
bool RemoveTree(const std::string& folder);

}  // namespace updater
