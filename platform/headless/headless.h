// In-memory implementations of the platform services, for native tests: files and
// folders, registry, version resources and system facts, with failures to inject.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/headless/headless_desktop.h"
#include "platform/headless/headless_update.h"
#include "platform/services.h"

namespace headless {

extern const char16_t kCp1251High[128];
extern const char16_t kCp1252High[128];

class SingleByteCodec : public platform::AnsiCodec {
 public:
  explicit SingleByteCodec(unsigned codePage);  // 1251 or 1252
  unsigned CodePage() const override { return codePage_; }
  std::string ToUtf8(std::string_view ansi) const override;
  std::string FromUtf8(std::string_view utf8) const override;

 private:
  unsigned codePage_;
  const char16_t* high_;
};

// Paths compare case-insensitively and repeated backslashes count as one, as on Windows.
class FileSystem : public platform::FileSystem {
 public:
  FileSystem();
  bool FileExists(const std::string& path) const override;
  bool FolderExists(const std::string& path) const override;
  std::optional<std::string> ReadAll(const std::string& path) const override;
  void ReplaceAll(const std::string& path, std::string_view bytes) override;
  bool CreateFolder(const std::string& path) override;
  std::vector<std::string> List(const std::string& folder, const std::string& pattern) const override;
  bool Remove(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;
  bool CanOpenExclusive(const std::string& path) const override;

  // Test set-up: files and folders (parents made as needed), and failures.
  void AddFile(const std::string& path, std::string_view bytes);
  void AddFolder(const std::string& path);
  void SetReadOnlyFolder(const std::string& folder);  // nothing can be created inside
  void SetUnreadable(const std::string& file);
  void SetLocked(const std::string& file);            // open elsewhere without sharing
  void SetReadOnlyFile(const std::string& file);      // readable, but never opened for writing
  std::vector<std::string> AllFiles() const;          // for "nothing else was written" checks
  int writes = 0;                                     // completed ReplaceAll calls

 private:
  struct Node {
    std::string name;  // as created, for listings
    bool folder = false;
    std::string bytes;
  };
  static std::string Key(const std::string& path);
  static bool IsRootKey(const std::string& key);  // "", "\\" or a drive: never created
  bool ParentUsable(const std::string& key) const;
  std::map<std::string, Node> nodes_;
  std::set<std::string> readOnly_, unreadable_, locked_, readOnlyFiles_;
};

class Registry : public platform::Registry {
 public:
  std::unique_ptr<platform::RegistryKey> Open(platform::RegRoot root, const std::string& path, bool create) override;

  struct Value {
    std::string name;
    bool isString = true;
    std::string text;
    std::int32_t number = 0;
    // A value of another registry type (REG_BINARY 3, REG_QWORD 11, ...) holding rawSize
    // bytes; only its type and size matter to the readers.
    bool isRaw = false;
    unsigned rawType = 0;
    std::size_t rawSize = 0;
  };
  struct Key {
    std::map<std::string, Value> values;  // by folded name
    bool writesFail = false;
  };
  Key& KeyAt(platform::RegRoot root, const std::string& path);  // made as needed
  bool HasKey(platform::RegRoot root, const std::string& path) const;
  void SetString(platform::RegRoot root, const std::string& path, const std::string& name, const std::string& v);
  void SetInteger(platform::RegRoot root, const std::string& path, const std::string& name, std::int32_t v);
  void SetRaw(platform::RegRoot root, const std::string& path, const std::string& name, unsigned type,
              std::size_t size);

 private:
  static std::string Id(platform::RegRoot root, const std::string& path);
  std::map<std::string, Key> keys_;
};

// A version block described value by value, as the Windows calls would report it.
class VersionBlock : public platform::VersionBlock {
 public:
  std::optional<platform::VersionValue> Query(const std::string& subBlock) const override;

  void SetRaw(const std::string& subBlock, std::vector<unsigned char> bytes, std::uint32_t length);
  // A string value; length defaults to the characters plus the terminating zero.
  void SetString(const std::string& subBlock, const std::u16string& value, std::optional<std::uint32_t> length = {});
  void SetTranslation(std::uint16_t language, std::uint16_t codePage);
  void SetFixedVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t release, std::uint16_t build);

 private:
  std::map<std::string, std::pair<std::vector<unsigned char>, std::uint32_t>> values_;
};

class VersionResources : public platform::VersionResources {
 public:
  std::unique_ptr<platform::VersionBlock> Load(const std::string& file) const override;
  VersionBlock& BlockFor(const std::string& file);  // made as needed
  mutable int loads = 0;

 private:
  std::map<std::string, VersionBlock> blocks_;
};

class SystemFacts : public platform::SystemFacts {
 public:
  std::string ExecutablePath() const override { return exePath; }
  std::optional<std::string> RoamingAppDataFolder() const override { return appData; }
  std::string TempFolder() const override { return temp; }
  const platform::AnsiCodec& Ansi() const override { return codec; }
  platform::ReportedVersion VersionEx() const override { return reportedVersion; }

  std::string exePath = "C:\\Program Files\\Cifrona\\Cifrona.exe";
  std::optional<std::string> appData = "C:\\Users\\User\\AppData\\Roaming";
  std::string temp = "C:\\Users\\User\\AppData\\Local\\Temp\\";
  SingleByteCodec codec{1251};
  // Without a manifest entry for Windows 10 the old call reports Windows 8 (6.2.9200).
  platform::ReportedVersion reportedVersion{6, 2, 9200};
};

// Every call of the process and window services, in order, as readable lines
// ("SetWindowPosBottom 0x1 tick"), so tests can check what happened and in which order.
class CallLog {
 public:
  void Add(std::string line) { lines.push_back(std::move(line)); }
  void Clear() { lines.clear(); }
  bool Contains(const std::string& line) const;
  std::vector<std::string> lines;
};

class Process : public platform::Process {
 public:
  explicit Process(CallLog& log) : log_(log) {}
  bool MutexExists(const std::string& name) override;
  bool CreateNamedMutex(const std::string& name) override;
  void SetThreadLocale(std::uint32_t lcid) override;
  bool LowerPriority() override;
  bool ShellOpen(platform::WindowHandle owner, const std::string& file, const std::string& parameters,
                 const std::string& folder, platform::ShowCommand show) override;
  std::set<std::string> mutexes;  // exist in this logon, made by another copy or by this one
  std::set<std::string> madeMeanwhile;  // another copy makes these between the check and the creation
  std::uint32_t threadLocale = 0;
  bool canOpenProcess = true;
  bool belowNormal = false;
  struct ShellCall {
    platform::WindowHandle owner = 0;
    std::string file, parameters, folder;
    platform::ShowCommand show = platform::ShowCommand::Show;
  };
  std::vector<ShellCall> shellCalls;
  bool shellOpenSucceeds = true;  // false: no program handles the target

 private:
  CallLog& log_;
};

class WindowSystem : public platform::WindowSystem {
 public:
  explicit WindowSystem(CallLog& log) : log_(log) {}
  platform::Rect WorkArea() const override { return workArea; }
  void SetWindowPosBottom(platform::WindowHandle window, platform::ZOrderKeep why) override;
  void LockWindowUpdate(platform::WindowHandle window) override;
  std::uint32_t GetExStyle(platform::WindowHandle window) const override;
  void SetExStyle(platform::WindowHandle window, std::uint32_t exStyle) override;
  void StartSystemMove(platform::WindowHandle window) override;
  void SetForegroundWindow(platform::WindowHandle window) override;
  platform::Point CursorPos() const override { return cursor; }
  void HideWindow(platform::WindowHandle window) override;
  void InvalidateRect(platform::WindowHandle window, bool erase) override;
  bool AddFontFromResource(int id) override;
  int DpiForWindow(platform::WindowHandle) const override { return dpi; }
  int ShowMessageBox(const std::string& text, const std::string& title, platform::MessageIcon icon) override;

  platform::Rect workArea{0, 0, 1920, 1040};
  platform::Point cursor{500, 600};
  int dpi = 96;
  std::set<int> fontResources{1, 2, 3, 4, 5, 6};  // RT_FONT ids the executable carries
  std::map<platform::WindowHandle, std::uint32_t> exStyles;
  struct Box {
    std::string text, title;
    platform::MessageIcon icon = platform::MessageIcon::None;
  };
  std::vector<Box> boxes;

 private:
  CallLog& log_;
};

// All headless services, installed as the current ones for its lifetime.
class Platform {
 public:
  Platform();
  ~Platform();
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;

  FileSystem files;
  Registry registry;
  VersionResources versions;
  SystemFacts system;
  CallLog calls;
  Process process{calls};
  WindowSystem windows{calls};
  Clock clock;
  Threads threads;
  Desktop desktop;
  Images images{files};
  Http http;
  Taskbar taskbar;
  Session session;
  Crypto crypto;

 private:
  platform::Services previous_;
};

}  // namespace headless
