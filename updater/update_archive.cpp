#include "updater/update_archive.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "platform/services.h"

#include <minizip/unzip.h>

namespace updater {

namespace {

// A read-only file over the bytes in memory, for minizip: what is unpacked is exactly
// what was verified.
struct MemoryFile {
  std::string_view bytes;
  std::uint64_t pos = 0;
};

voidpf ZCALLBACK MemOpen(voidpf opaque, const void*, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  return opaque;
}
uLong ZCALLBACK MemRead(voidpf, voidpf stream, void* buf, uLong size) {
  auto* f = static_cast<MemoryFile*>(stream);
  const std::uint64_t left = f->pos < f->bytes.size() ? f->bytes.size() - f->pos : 0;
  const uLong n = static_cast<uLong>(std::min<std::uint64_t>(size, left));
  std::memcpy(buf, f->bytes.data() + f->pos, n);
  f->pos += n;
  return n;
}
uLong ZCALLBACK MemWrite(voidpf, voidpf, const void*, uLong) { return 0; }
ZPOS64_T ZCALLBACK MemTell(voidpf, voidpf stream) { return static_cast<MemoryFile*>(stream)->pos; }
long ZCALLBACK MemSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* f = static_cast<MemoryFile*>(stream);
  std::uint64_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = f->pos; break;
    case ZLIB_FILEFUNC_SEEK_END: base = f->bytes.size(); break;
    default: return -1;
  }
  if (offset > f->bytes.size() || base > f->bytes.size() - offset) return -1;
  f->pos = base + offset;
  return 0;
}
int ZCALLBACK MemClose(voidpf, voidpf) { return 0; }
int ZCALLBACK MemError(voidpf, voidpf) { return 0; }

struct UnzipCloser {
  void operator()(unzFile z) const {
    if (z) unzClose(z);
  }
};

// Well-formed UTF-8 without overlong forms or surrogates, as Windows accepts it for names.
bool ValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3 : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    const unsigned char second = n > 1 ? static_cast<unsigned char>(s[i + 1]) : 0;
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second >= 0xA0) || (c == 0xF0 && second < 0x90) ||
        (c == 0xF4 && second >= 0x90))
      return false;
    i += n;
  }
  return true;
}

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

// CON, NUL, COM1 and the like name devices in any folder and with any extension.
bool IsDeviceName(std::string_view component) {
  std::string base = UpperAscii(component.substr(0, component.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static const char* kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* n : kNames)
    if (base == n) return true;
  if (base.size() >= 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0)) {
    const std::string_view tail = std::string_view(base).substr(3);
    // A digit, or the superscripts ¹ ² ³, which Windows counts as digits here.
    if (tail.size() == 1 && tail[0] >= '0' && tail[0] <= '9') return true;
    if (tail == "\xC2\xB9" || tail == "\xC2\xB2" || tail == "\xC2\xB3") return true;
  }
  return false;
}

bool ComponentAllowed(std::string_view c) {
  if (c.empty() || c == "." || c == ".." || c.size() > 255) return false;
  if (c.back() == '.' || c.back() == ' ') return false;
  for (unsigned char ch : c)
    if (ch < 0x20 || ch == 0x7F || std::strchr("<>:\"|?*", ch)) return false;
  return !IsDeviceName(c);
}

}  // namespace

std::optional<std::string> EntryPath(std::string_view name, bool utf8, bool* folder) {
  if (name.empty() || name.size() > 240) return std::nullopt;
  if (utf8 ? !ValidUtf8(name)
           : std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    return std::nullopt;
  std::string path(name);
  std::replace(path.begin(), path.end(), '/', '\\');
  // Absolute and UNC names start with a backslash; drives and streams have a colon.
  if (path.front() == '\\' || path.find(':') != std::string::npos) return std::nullopt;
  const bool isFolder = path.back() == '\\';
  if (isFolder) path.pop_back();
  size_t start = 0;
  for (;;) {
    const size_t end = path.find('\\', start);
    if (!ComponentAllowed(std::string_view(path).substr(start, end == std::string::npos ? end : end - start)))
      return std::nullopt;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (folder) *folder = isFolder;
  return path;
}

std::vector<ArchiveEntry> ReadArchive(std::string_view zip, const ArchiveLimits& limits) {
  MemoryFile file{zip};
  zlib_filefunc64_def io{};
  io.zopen64_file = MemOpen;
  io.zread_file = MemRead;
  io.zwrite_file = MemWrite;
  io.ztell64_file = MemTell;
  io.zseek64_file = MemSeek;
  io.zclose_file = MemClose;
  io.zerror_file = MemError;
  io.opaque = &file;
  std::unique_ptr<void, UnzipCloser> z(unzOpen2_64("memory", &io));
  if (!z) throw ArchiveError("not a ZIP archive");

  std::vector<ArchiveEntry> entries;
  std::set<std::string> seen;
  std::uint64_t total = 0;
  for (int rc = unzGoToFirstFile(z.get()); rc != UNZ_END_OF_LIST_OF_FILE; rc = unzGoToNextFile(z.get())) {
    if (rc != UNZ_OK) throw ArchiveError("damaged directory");
    if (entries.size() >= limits.maxEntries) throw ArchiveError("too many entries");
    unz_file_info64 info{};
    char name[512];
    if (unzGetCurrentFileInfo64(z.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
        info.size_filename >= sizeof name)
      throw ArchiveError("damaged entry");
    const std::string_view raw(name, info.size_filename);
    const std::string shown = std::string(raw.substr(0, 80));
    bool isFolder = false;
    std::optional<std::string> path = EntryPath(raw, (info.flag & (1u << 11)) != 0, &isFolder);
    if (!path) throw ArchiveError("refused entry name: " + shown);
    if (!seen.insert(UpperAscii(*path)).second) throw ArchiveError("duplicate entry: " + shown);
    if (info.flag & 1u) throw ArchiveError("encrypted entry: " + shown);
    ArchiveEntry entry{*path, isFolder, {}};
    if (!isFolder) {
      if (info.uncompressed_size > limits.maxTotalBytes - total) throw ArchiveError("too large: " + shown);
      if (unzOpenCurrentFile(z.get()) != UNZ_OK) throw ArchiveError("cannot read entry: " + shown);
      char block[16384];
      int got;
      while ((got = unzReadCurrentFile(z.get(), block, sizeof block)) > 0) {
        // The declared size is checked against what the data really holds.
        if (entry.bytes.size() + static_cast<unsigned>(got) > info.uncompressed_size) {
          unzCloseCurrentFile(z.get());
          throw ArchiveError("entry longer than declared: " + shown);
        }
        entry.bytes.append(block, static_cast<size_t>(got));
      }
      // Closing checks the CRC once the whole entry was read.
      const int closed = unzCloseCurrentFile(z.get());
      if (got < 0 || closed != UNZ_OK || entry.bytes.size() != info.uncompressed_size)
        throw ArchiveError("damaged entry: " + shown);
      total += entry.bytes.size();
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool RemoveTree(const std::string& folder) {
  platform::FileSystem* files = platform::Current().files;
  std::string f = folder;
  while (!f.empty() && f.back() == '\\') f.pop_back();
  if (!files->FolderExists(f)) return true;
  for (const std::string& name : files->List(f, "*")) {
    const std::string path = f + "\\" + name;
    if (files->FolderExists(path))
      RemoveTree(path);
    else
      files->Remove(path);
  }
  return files->RemoveFolder(f);
}

void StageArchive(const std::vector<ArchiveEntry>& entries, const std::string& stagingFolder) {
  platform::FileSystem* files = platform::Current().files;
  if (!RemoveTree(stagingFolder)) throw ArchiveError("cannot empty the staging folder");
  std::string root = stagingFolder;
  while (!root.empty() && root.back() == '\\') root.pop_back();
  if (!files->CreateFolder(root)) throw ArchiveError("cannot create the staging folder");
  auto makeFolders = [&](const std::string& relative) {
    for (size_t slash = relative.find('\\'); slash != std::string::npos; slash = relative.find('\\', slash + 1)) {
      const std::string folder = root + "\\" + relative.substr(0, slash);
      if (!files->FolderExists(folder) && !files->CreateFolder(folder))
        throw ArchiveError("cannot create " + relative.substr(0, slash));
    }
  };
  for (const ArchiveEntry& e : entries) {
    makeFolders(e.path + (e.folder ? "\\" : ""));
    if (!e.folder) files->ReplaceAll(root + "\\" + e.path, e.bytes);
  }
}

}  // namespace updater
