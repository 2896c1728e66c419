// The operating-system services the program's logic calls. Each has a Win32
// implementation (platform/win32) and an in-memory one (platform/headless).
// Paths are Windows paths and texts are UTF-8 throughout.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"

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
  // Names (not paths) of the entries matching a "*.ext"-style pattern, in listing order:
  // files and folders alike, without "." and "..".
  virtual std::vector<std::string> List(const std::string& folder, const std::string& pattern) const = 0;
  virtual bool Remove(const std::string& path) = 0;  // a file
  virtual bool RemoveFolder(const std::string& path) = 0;  // an empty folder
  // True when the existing file can be opened for writing with no sharing (and is closed
  // again at once): false for a missing file, a read-only one and one open elsewhere.
  virtual bool CanOpenExclusive(const std::string& path) const = 0;
};

enum class RegRoot { CurrentUser, LocalMachine };

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  virtual bool ValueExists(const std::string& name) const = 0;
  // nullopt when the value is missing; RegistryError when it has another type.
  virtual std::optional<std::string> ReadString(const std::string& name) const = 0;
  // As the class library reads an integer: into four bytes. Data larger than that
  // (a long text, a 64-bit number) gives "Failed to get data for '...'"; data that fits
  // but is not a DWORD (a short text, a few binary bytes) "Invalid data type for '...'".
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

// A window of the GUI toolkit, as the system knows it (an HWND on Windows).
using WindowHandle = std::uintptr_t;

// What the old version call reports (GetVersionExW); it is told the truth only on
// systems whose manifest it knows, so the registry values come first.
struct ReportedVersion {
  std::uint32_t major = 0, minor = 0, build = 0;
};

class SystemFacts {
 public:
  virtual ~SystemFacts() = default;
  virtual std::string ExecutablePath() const = 0;
  // The roaming application-data folder as the shell reports it; nullopt when it cannot tell.
  virtual std::optional<std::string> RoamingAppDataFolder() const = 0;
  virtual std::string TempFolder() const = 0;
  virtual const AnsiCodec& Ansi() const = 0;
  virtual ReportedVersion VersionEx() const = 0;
  // Orders two texts without regard to case in the collation of the user's locale
  // (negative, 0, positive). The default compares case-folded code points.
  virtual int CompareTextLocale(std::string_view a, std::string_view b) const;
};

// How a started program's window first appears; the Win32 layer maps each to its SW_ value.
enum class ShowCommand {
  Hide,    // no window at all (the update script)
  Normal,  // restored to its normal size and activated (the installer)
  Show,    // as it was last shown (a document or link)
};

// Why the window is sent to the bottom of the stack: at creation and on every tick the frame
// is recomputed too, when the menu opens it is not. The Win32 layer maps each to SWP_ flags.
enum class ZOrderKeep { AtTick, MenuOpen };

// The icon of a message box; the Win32 layer maps it to the MB_ flag.
enum class MessageIcon { None, Error };

// The process as a whole: the single-instance guard, locale and priority.
class Process {
 public:
  virtual ~Process() = default;
  // True when a mutex of that name exists in this logon (OpenMutexW succeeds).
  virtual bool MutexExists(const std::string& name) = 0;
  // Creates the named mutex, not owned; its handle stays open until the process ends.
  // False when it existed already: another copy made it after this one looked.
  virtual bool CreateNamedMutex(const std::string& name) = 0;
  virtual void SetThreadLocale(std::uint32_t lcid) = 0;
  // Opens the own process for setting information; false when it cannot be opened.
  // Otherwise asks for below-normal priority (whatever that answers), closes the
  // handle and returns true.
  virtual bool LowerPriority() = 0;
  // ShellExecuteW with the verb "open" (a document, a link, a program): parameters and
  // folder may be empty. True when the system started something.
  virtual bool ShellOpen(WindowHandle owner, const std::string& file, const std::string& parameters,
                         const std::string& folder, ShowCommand show) = 0;
};

// Window-manager calls on the toolkit's windows that the toolkit itself does not make.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  // The primary monitor's work area, fetched anew on each call.
  virtual Rect WorkArea() const = 0;
  // SetWindowPos with HWND_BOTTOM, position and size 0, never moving, sizing, redrawing or
  // activating the window.
  virtual void SetWindowPosBottom(WindowHandle window, ZOrderKeep why) = 0;
  // 0 resumes drawing.
  virtual void LockWindowUpdate(WindowHandle window) = 0;
  virtual std::uint32_t GetExStyle(WindowHandle window) const = 0;
  virtual void SetExStyle(WindowHandle window, std::uint32_t exStyle) = 0;
  // Hands the mouse to the system's move loop (ReleaseCapture, then WM_SYSCOMMAND 0xF012);
  // returns when the move ends.
  virtual void StartSystemMove(WindowHandle window) = 0;
  virtual void SetForegroundWindow(WindowHandle window) = 0;
  virtual Point CursorPos() const = 0;
  virtual void HideWindow(WindowHandle window) = 0;  // ShowWindow SW_HIDE
  virtual void InvalidateRect(WindowHandle window, bool erase) = 0;
  // Registers the executable's RT_FONT resource `id` for this process
  // (AddFontMemResourceEx); false when it is missing or the registration fails.
  virtual bool AddFontFromResource(int id) = 0;
  // Dots per inch of the monitor that holds the window (96 = 100 %).
  virtual int DpiForWindow(WindowHandle window) const = 0;
  // MessageBoxW without an owner; returns the button pressed.
  virtual int ShowMessageBox(const std::string& text, const std::string& title, MessageIcon icon) = 0;
};

// The millisecond tick count (GetTickCount). It wraps after 49.7 days, so differences are
// taken in unsigned 32-bit arithmetic.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t TickCount() const = 0;
};

// Short-lived background work.
class Threads {
 public:
  virtual ~Threads() = default;
  // Runs work at once on a thread of its own (one whose work has just ended, or a new one);
  // the caller does not wait, and no thread outlives its last work by more than a few
  // seconds. Work must not let an exception escape.
  virtual void StartWorker(std::function<void()> work) = 0;
  // Waits up to ms for the workers still running to end; true when none is left. For the
  // program's end: a worker must not outlive the services and windows it reports to.
  virtual bool WaitForWorkers(std::uint32_t ms) = 0;
};

// The desktop's settings as the automatic digit colour reads them.
class Desktop {
 public:
  virtual ~Desktop() = default;
  // SystemParametersInfoW(SPI_GETDESKWALLPAPER) into a 260-character buffer; nullopt
  // when the call fails. Safe on any thread.
  virtual std::optional<std::string> WallpaperPath() const = 0;
  // The current RGB (0x00BBGGRR) of system colour index (GetSysColor).
  virtual std::uint32_t SystemColorRgb(int index) const = 0;
};

class Images;  // platform/images.h
class Http;
class Taskbar;
class Session;
class Crypto;

struct Services {
  FileSystem* files = nullptr;
  Registry* registry = nullptr;
  VersionResources* versions = nullptr;
  SystemFacts* system = nullptr;
  Process* process = nullptr;
  WindowSystem* windows = nullptr;
  Clock* clock = nullptr;
  Threads* threads = nullptr;
  Desktop* desktop = nullptr;
  Images* images = nullptr;
  // The updater's (platform/update_services.h).
  Http* http = nullptr;
  Taskbar* taskbar = nullptr;
  Session* session = nullptr;
  Crypto* crypto = nullptr;
};

// The services in force: the Win32 ones in the program, the headless ones in native tests.
Services& Current();

}  // namespace platform
