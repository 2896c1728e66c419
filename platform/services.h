// The operating-system services the program's logic calls. Each has a Win32
// implementation (platform/win32) and an in-memory one (platform/headless).
// Paths are Windows paths and texts are UTF-8 throughout.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool FileExists(const std::string& path) const = 0;  // a file, not a folder
  virtual bool FolderExists(const std::string& path) const = 0;
  // The whole file; nullopt when there is no such file. Throws FileError when it exists but cannot be read.
  virtual std::optional<std::string> ReadAll(const std::string& path) const = 0;
  // Replaces the file in one step: readers see the old or the new content, never a mix.
  // Throws FileError ("Cannot create file ...") and leaves the old file as it was on failure.
  virtual void ReplaceAll(const std::string& path, std::string_view bytes) = 0;
  // Creates one folder whose parent exists; false on failure (including "already exists").
  virtual bool CreateFolder(const std::string& path) = 0;
  // Names (not paths) of the entries matching a "*.ext"-style pattern, in listing order.
  virtual std::vector<std::string> List(const std::string& folder, const std::string& pattern) const = 0;
  virtual bool Remove(const std::string& path) = 0;
  virtual bool CanOpenExclusive(const std::string& path) const = 0;
};

enum class RegRoot { CurrentUser, LocalMachine };

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  virtual bool ValueExists(const std::string& name) const = 0;
  // nullopt when the value is missing; RegistryError when it has another type.
  virtual std::optional<std::string> ReadString(const std::string& name) const = 0;
  virtual std::optional<std::int32_t> ReadInteger(const std::string& name) const = 0;
  virtual void WriteString(const std::string& name, const std::string& value) = 0;  // RegistryError
  virtual void WriteInteger(const std::string& name, std::int32_t value) = 0;       // RegistryError
  virtual bool DeleteValue(const std::string& name) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Read access to an existing key, or, with create, write access to a key made as needed.
  // nullptr when the key cannot be opened.
  virtual std::unique_ptr<RegistryKey> Open(RegRoot root, const std::string& path, bool create) = 0;
};

// One query result of a loaded version block: the data and its length, counted as the
// Windows call counts it (characters for string values, bytes for binary ones).
struct VersionValue {
  const void* data = nullptr;
  std::uint32_t length = 0;
};

class VersionBlock {
 public:
  virtual ~VersionBlock() = default;
  virtual std::optional<VersionValue> Query(const std::string& subBlock) const = 0;
};

class VersionResources {
 public:
  virtual ~VersionResources() = default;
  // The file's version block, or nullptr when it has none or cannot be read.
  virtual std::unique_ptr<VersionBlock> Load(const std::string& file) const = 0;
};

// Converts between the system's ANSI code page and UTF-8.
class AnsiCodec {
 public:
  virtual ~AnsiCodec() = default;
  virtual unsigned CodePage() const = 0;
  virtual std::string ToUtf8(std::string_view ansi) const = 0;
  // Characters the code page lacks become "?", as WideCharToMultiByte does.
  virtual std::string FromUtf8(std::string_view utf8) const = 0;
};

class SystemFacts {
 public:
  virtual ~SystemFacts() = default;
  virtual std::string ExecutablePath() const = 0;
  // The roaming application-data folder as the shell reports it; nullopt when it cannot tell.
  virtual std::optional<std::string> RoamingAppDataFolder() const = 0;
  virtual std::string TempFolder() const = 0;
  virtual const AnsiCodec& Ansi() const = 0;
};

struct Services {
  FileSystem* files = nullptr;
  Registry* registry = nullptr;
  VersionResources* versions = nullptr;
  SystemFacts* system = nullptr;
};

// The services in force: the Win32 ones in the program, the headless ones in native tests.
Services& Current();

}  // namespace platform
