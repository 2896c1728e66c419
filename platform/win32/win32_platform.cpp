#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <vector>

#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_services.h"

namespace win32 {

std::wstring Wide(std::string_view utf8) {
  const std::u16string u = text::Utf8ToUtf16(utf8);
  return std::wstring(u.begin(), u.end());
}

std::string Narrow(std::wstring_view wide) {
  return text::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

std::string SystemMessage(unsigned long error) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring msg = n ? std::wstring(buffer, n) : L"Error " + std::to_wstring(error);
  if (buffer) LocalFree(buffer);
  while (!msg.empty() && (msg.back() == L'\n' || msg.back() == L'\r' || msg.back() == L' ')) msg.pop_back();
  return Narrow(msg);
}

namespace {

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

UniqueHandle OpenFile(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  HANDLE h = CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return UniqueHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }

// Writes all bytes at the handle's position: 0, or the error that stopped it.
DWORD WriteAll(HANDLE h, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 30));
    if (!WriteFile(h, bytes.data() + done, want, &put, nullptr)) return GetLastError();
    if (put == 0) return ERROR_WRITE_FAULT;
    done += put;
  }
  return 0;
}

// Rewrites an existing file through its own handle, for a folder where no temporary file
// can be made. False when the file cannot be opened for writing (the caller reports the
// first error); throws when the write itself fails. The file is grown to its new size
// before any byte changes, so a full disk fails with the old content intact.
bool ReplaceInPlace(const std::string& path, std::string_view bytes) {
  auto h = OpenFile(path, GENERIC_WRITE, 0, OPEN_EXISTING);
  if (!h) return false;
  const auto fail = [&](DWORD err) { throw platform::FileError::CannotCreate(path, SystemMessage(err)); };
  LARGE_INTEGER size{}, end{};
  end.QuadPart = static_cast<LONGLONG>(bytes.size());
  if (!GetFileSizeEx(h.get(), &size)) fail(GetLastError());
  if (end.QuadPart > size.QuadPart && (!SetFilePointerEx(h.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(h.get())))
    fail(GetLastError());
  if (!SetFilePointerEx(h.get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN)) fail(GetLastError());
  if (const DWORD err = WriteAll(h.get(), bytes)) fail(err);
  if (!SetEndOfFile(h.get())) fail(GetLastError());
  FlushFileBuffers(h.get());
  return true;
}

class FileSystem : public platform::FileSystem {
 public:
  bool FileExists(const std::string& path) const override {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
  }
  bool FolderExists(const std::string& path) const override {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }
  std::optional<std::string> ReadAll(const std::string& path) const override {
    if (!FileExists(path)) return std::nullopt;
    auto h = OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!h) throw platform::FileError::CannotOpen(path, SystemMessage(GetLastError()));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h.get(), &size)) throw platform::FileError::CannotOpen(path, SystemMessage(GetLastError()));
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
      DWORD got = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 30));
      if (!ReadFile(h.get(), bytes.data() + done, want, &got, nullptr))
        throw platform::FileError::CannotOpen(path, SystemMessage(GetLastError()));
      if (got == 0) break;
      done += got;
    }
    bytes.resize(done);
    return bytes;
  }
  void ReplaceAll(const std::string& path, std::string_view bytes) override {
    // Write beside the target, then swap it in: a crash or a full disk never leaves a
    // half-written settings file behind.
    const std::string temp = path + ".tmp";
    {
      auto h = OpenFile(temp, GENERIC_WRITE, 0, CREATE_ALWAYS);
      if (!h) {
        const DWORD err = GetLastError();
        // A folder that refuses new files may still let its existing ones be rewritten;
        // saving in place then beats not saving at all.
        if (err == ERROR_ACCESS_DENIED && ReplaceInPlace(path, bytes)) return;
        throw platform::FileError::CannotCreate(path, SystemMessage(err));
      }
      if (const DWORD err = WriteAll(h.get(), bytes)) {
        h.reset();
        DeleteFileW(Wide(temp).c_str());
        throw platform::FileError::CannotCreate(path, SystemMessage(err));
      }
      FlushFileBuffers(h.get());
    }
    if (!MoveFileExW(Wide(temp).c_str(), Wide(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      const DWORD err = GetLastError();
      DeleteFileW(Wide(temp).c_str());
      throw platform::FileError::CannotCreate(path, SystemMessage(err));
    }
  }
  bool CreateFolder(const std::string& path) override { return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0; }
  std::vector<std::string> List(const std::string& folder, const std::string& pattern) const override {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    UniqueFind search(FindFirstFileW(Wide(paths::IncludeTrailingBackslash(folder) + pattern).c_str(), &data));
    if (!search) return names;
    do {
      const std::wstring_view name = data.cFileName;
      if (name != L"." && name != L"..") names.push_back(Narrow(name));
    } while (FindNextFileW(search.get(), &data));
    return names;
  }
  bool Remove(const std::string& path) override { return DeleteFileW(Wide(path).c_str()) != 0; }
  bool RemoveFolder(const std::string& path) override { return RemoveDirectoryW(Wide(path).c_str()) != 0; }
  bool CanOpenExclusive(const std::string& path) const override {
    // Write access only: a file this user may write but not read still counts as writable.
    return OpenFile(path, GENERIC_WRITE, 0, OPEN_EXISTING) != nullptr;
  }
};

HKEY RootKey(platform::RegRoot root) {
  return root == platform::RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

class RegistryKey : public platform::RegistryKey {
 public:
  explicit RegistryKey(HKEY key) : key_(key) {}
  ~RegistryKey() override { RegCloseKey(key_); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  bool ValueExists(const std::string& name) const override {
    return RegQueryValueExW(key_, Wide(name).c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }
  std::optional<std::string> ReadString(const std::string& name) const override {
    const std::wstring wname = Wide(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_, wname.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw platform::RegistryError::InvalidDataType(name);
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key_, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS)
      return std::nullopt;
    value.resize(wcsnlen(value.c_str(), size / sizeof(wchar_t)));
    return Narrow(value);
  }
  std::optional<std::int32_t> ReadInteger(const std::string& name) const override {
    DWORD type = 0, value = 0, size = sizeof(value);
    const LONG rc = RegQueryValueExW(key_, Wide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
    // ERROR_MORE_DATA: the data does not fit four bytes, whatever its type.
    if (rc != ERROR_SUCCESS) throw platform::RegistryError::FailedToGet(name);
    if (type != REG_DWORD || size != sizeof(value)) throw platform::RegistryError::InvalidDataType(name);
    return static_cast<std::int32_t>(value);
  }
  void WriteString(const std::string& name, const std::string& value) override {
    const std::wstring w = Wide(value);
    if (RegSetValueExW(key_, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(w.c_str()),
                       static_cast<DWORD>((w.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
      throw platform::RegistryError::FailedToSet(name);
  }
  void WriteInteger(const std::string& name, std::int32_t value) override {
    const DWORD v = static_cast<DWORD>(value);
    if (RegSetValueExW(key_, Wide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v)) !=
        ERROR_SUCCESS)
      throw platform::RegistryError::FailedToSet(name);
  }
  bool DeleteValue(const std::string& name) override {
    return RegDeleteValueW(key_, Wide(name).c_str()) == ERROR_SUCCESS;
  }

 private:
  HKEY key_;
};

class Registry : public platform::Registry {
 public:
  std::unique_ptr<platform::RegistryKey> Open(platform::RegRoot root, const std::string& path, bool create) override {
    HKEY key = nullptr;
    const std::wstring wpath = Wide(path);
    const LONG rc = create ? RegCreateKeyExW(RootKey(root), wpath.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                             nullptr, &key, nullptr)
                           : RegOpenKeyExW(RootKey(root), wpath.c_str(), 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS) return nullptr;
    return std::make_unique<RegistryKey>(key);
  }
};

class VersionBlock : public platform::VersionBlock {
 public:
  explicit VersionBlock(std::vector<unsigned char> data) : data_(std::move(data)) {}
  std::optional<platform::VersionValue> Query(const std::string& subBlock) const override {
    void* ptr = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(data_.data(), Wide(subBlock).c_str(), &ptr, &len)) return std::nullopt;
    return platform::VersionValue{ptr, len};
  }

 private:
  std::vector<unsigned char> data_;
};

class VersionResources : public platform::VersionResources {
 public:
  std::unique_ptr<platform::VersionBlock> Load(const std::string& file) const override {
    const std::wstring wfile = Wide(file);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(wfile.c_str(), &ignored);
    if (size == 0) return nullptr;
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(wfile.c_str(), 0, size, data.data())) return nullptr;
    return std::make_unique<VersionBlock>(std::move(data));
  }
};

class AnsiCodec : public platform::AnsiCodec {
 public:
  unsigned CodePage() const override { return GetACP(); }
  std::string ToUtf8(std::string_view ansi) const override {
    if (ansi.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), w.data(), n);
    return Narrow(w);
  }
  std::string FromUtf8(std::string_view utf8) const override {
    const std::wstring w = Wide(utf8);
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
  }
};

class SystemFacts : public platform::SystemFacts {
 public:
  std::string ExecutablePath() const override {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (n < buffer.size()) return Narrow(std::wstring_view(buffer.data(), n));
      buffer.resize(buffer.size() * 2);
    }
  }
  std::optional<std::string> RoamingAppDataFolder() const override {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer))) return std::nullopt;
    return Narrow(buffer);
  }
  std::string TempFolder() const override {
    wchar_t buffer[MAX_PATH + 2] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    return Narrow(std::wstring_view(buffer, n));
  }
  const platform::AnsiCodec& Ansi() const override { return codec_; }
  platform::ReportedVersion VersionEx() const override {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return {};
#pragma GCC diagnostic pop
    return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
  }
  int CompareTextLocale(std::string_view a, std::string_view b) const override {
    const std::wstring x = Wide(a), y = Wide(b);
    const int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, x.data(), static_cast<int>(x.size()), y.data(),
                                 static_cast<int>(y.size()));
    return r == 0 ? platform::SystemFacts::CompareTextLocale(a, b) : r - CSTR_EQUAL;
  }

 private:
  AnsiCodec codec_;
};

}  // namespace

struct Platform::Impl {
  FileSystem files;
  Registry registry;
  VersionResources versions;
  SystemFacts system;
  std::unique_ptr<platform::Process> process = MakeProcess();
  std::unique_ptr<platform::WindowSystem> windows = MakeWindowSystem();
  DesktopServices desktop;
  std::unique_ptr<platform::Http> http = MakeHttp();
  std::unique_ptr<platform::Taskbar> taskbar = MakeTaskbar();
  std::unique_ptr<platform::Session> session = MakeSession();
  std::unique_ptr<platform::Crypto> crypto = MakeCrypto();
};

Platform::Platform() : impl_(std::make_unique<Impl>()), previous_(platform::Current()) {
  platform::Current() = platform::Services{&impl_->files,    &impl_->registry,      &impl_->versions,
                                             &impl_->system,   impl_->process.get(), impl_->windows.get()};
  impl_->desktop.Install(platform::Current());
  platform::Current().http = impl_->http.get();
  platform::Current().taskbar = impl_->taskbar.get();
  platform::Current().session = impl_->session.get();
  platform::Current().crypto = impl_->crypto.get();
}

Platform::~Platform() {
  platform::Current() = previous_;
}

}  // namespace win32
