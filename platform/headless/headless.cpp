#include "platform/headless/headless.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace headless {

namespace {

std::string Fold(std::string_view s) {
  std::string out;
  for (size_t pos = 0; pos < s.size();) text::AppendUtf8(out, text::FoldCase(text::NextCodePoint(s, pos)));
  return out;
}

// "*.ini"-style matching, case-insensitive, with * and ? only.
bool Matches(std::string_view name, std::string_view pattern) {
  if (pattern.empty()) return name.empty();
  if (pattern[0] == '*') {
    for (size_t i = 0; i <= name.size(); ++i)
      if (Matches(name.substr(i), pattern.substr(1))) return true;
    return false;
  }
  if (name.empty()) return false;
  if (pattern[0] != '?' && text::FoldCase(static_cast<unsigned char>(pattern[0])) !=
                               text::FoldCase(static_cast<unsigned char>(name[0])))
    return false;
  return Matches(name.substr(1), pattern.substr(1));
}

}  // namespace

// ---- code pages -------------------------------------------------------------

SingleByteCodec::SingleByteCodec(unsigned codePage)
    : codePage_(codePage), high_(codePage == 1252 ? kCp1252High : kCp1251High) {}

std::string SingleByteCodec::ToUtf8(std::string_view ansi) const {
  std::string out;
  out.reserve(ansi.size());
  for (unsigned char c : ansi) {
    // Bytes the code page leaves undefined map to the same code point, as Windows does.
    const char32_t cp = c < 0x80 ? c : (high_[c - 0x80] ? high_[c - 0x80] : c);
    text::AppendUtf8(out, cp);
  }
  return out;
}

std::string SingleByteCodec::FromUtf8(std::string_view utf8) const {
  std::string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = text::NextCodePoint(utf8, pos);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      continue;
    }
    char mapped = '?';
    for (int i = 0; i < 128; ++i)
      if (high_[i] == cp || (!high_[i] && cp == char32_t(0x80 + i))) mapped = static_cast<char>(0x80 + i);
    out += mapped;
  }
  return out;
}

// ---- files ------------------------------------------------------------------

FileSystem::FileSystem() = default;

std::string FileSystem::Key(const std::string& path) {
  std::string collapsed;
  for (size_t i = 0; i < path.size(); ++i) {
    // Repeated backslashes count as one, except the two that start a UNC name.
    if (path[i] == '\\' && !collapsed.empty() && collapsed.back() == '\\' && i > 1) continue;
    collapsed += path[i];
  }
  while (collapsed.size() > 1 && collapsed.back() == '\\') collapsed.pop_back();
  return Fold(collapsed);
}

bool FileSystem::IsRootKey(const std::string& key) { return key.empty() || key == "\\" || key.back() == ':'; }

bool FileSystem::ParentUsable(const std::string& key) const {
  const std::string parentKey = Key(paths::ExtractFilePath(key));
  if (IsRootKey(parentKey)) return true;
  auto it = nodes_.find(parentKey);
  return it != nodes_.end() && it->second.folder;
}

bool FileSystem::FileExists(const std::string& path) const {
  auto it = nodes_.find(Key(path));
  return it != nodes_.end() && !it->second.folder;
}

bool FileSystem::FolderExists(const std::string& path) const {
  const std::string key = Key(path);
  if (key.size() == 2 && key[1] == ':') return true;
  auto it = nodes_.find(key);
  return it != nodes_.end() && it->second.folder;
}

std::optional<std::string> FileSystem::ReadAll(const std::string& path) const {
  const std::string key = Key(path);
  auto it = nodes_.find(key);
  if (it == nodes_.end() || it->second.folder) return std::nullopt;
  if (unreadable_.count(key) || locked_.count(key))
    throw platform::FileError::CannotOpen(path, "Access is denied");
  return it->second.bytes;
}

void FileSystem::ReplaceAll(const std::string& path, std::string_view bytes) {
  const std::string key = Key(path);
  const std::string folder = Key(paths::ExtractFilePath(path));
  if (!ParentUsable(key))
    throw platform::FileError::CannotCreate(path, "The system cannot find the path specified");
  if (readOnly_.count(folder) || locked_.count(key) || readOnlyFiles_.count(key) || FolderExists(path))
    throw platform::FileError::CannotCreate(path, "Access is denied");
  auto& node = nodes_[key];
  if (node.name.empty()) node.name = paths::ExtractFileName(path);
  node.bytes.assign(bytes);
  ++writes;
}

bool FileSystem::CreateFolder(const std::string& path) {
  const std::string key = Key(path);
  if (nodes_.count(key) || !ParentUsable(key)) return false;
  if (readOnly_.count(Key(paths::ExtractFilePath(key)))) return false;
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '\\') trimmed.pop_back();
  nodes_[key] = Node{paths::ExtractFileName(trimmed), true, {}};
  return true;
}

std::vector<std::string> FileSystem::List(const std::string& folder, const std::string& pattern) const {
  const std::string prefix = Key(folder) + "\\";
  std::vector<std::string> names;
  for (const auto& [key, node] : nodes_) {
    if (key.rfind(prefix, 0) != 0 || key.find('\\', prefix.size()) != std::string::npos) continue;
    if (Matches(node.name, pattern)) names.push_back(node.name);
  }
  return names;  // the map orders by folded name, as an NTFS listing does
}

bool FileSystem::Remove(const std::string& path) {
  const std::string key = Key(path);
  auto it = nodes_.find(key);
  if (it == nodes_.end() || it->second.folder || locked_.count(key)) return false;
  nodes_.erase(it);
  return true;
}

bool FileSystem::RemoveFolder(const std::string& path) {
  const std::string key = Key(path);
  auto it = nodes_.find(key);
  if (it == nodes_.end() || !it->second.folder) return false;
  const std::string prefix = key + "\\";
  for (const auto& [k, node] : nodes_)
    if (k.rfind(prefix, 0) == 0) return false;  // not empty
  nodes_.erase(it);
  return true;
}

bool FileSystem::CanOpenExclusive(const std::string& path) const {
  const std::string key = Key(path);
  // Write access only: a file that cannot be read may still be written.
  return FileExists(path) && !locked_.count(key) && !readOnlyFiles_.count(key) &&
         !readOnly_.count(Key(paths::ExtractFilePath(path)));
}

void FileSystem::AddFolder(const std::string& path) {
  std::vector<std::string> chain;
  for (std::string p = path; !IsRootKey(Key(p));) {
    chain.push_back(p);
    std::string parent = paths::ExtractFilePath(p);
    while (parent.size() > 1 && parent.back() == '\\') parent.pop_back();
    if (parent == p) break;
    p = parent;
  }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    auto& node = nodes_[Key(*it)];
    if (node.name.empty()) node.name = paths::ExtractFileName(*it);
    node.folder = true;
  }
}

void FileSystem::AddFile(const std::string& path, std::string_view bytes) {
  AddFolder(paths::ExtractFilePath(path));
  auto& node = nodes_[Key(path)];
  node.name = paths::ExtractFileName(path);
  node.folder = false;
  node.bytes.assign(bytes);
}

void FileSystem::SetReadOnlyFolder(const std::string& folder) { readOnly_.insert(Key(folder)); }
void FileSystem::SetUnreadable(const std::string& file) { unreadable_.insert(Key(file)); }
void FileSystem::SetLocked(const std::string& file) { locked_.insert(Key(file)); }
void FileSystem::SetReadOnlyFile(const std::string& file) { readOnlyFiles_.insert(Key(file)); }

std::vector<std::string> FileSystem::AllFiles() const {
  std::vector<std::string> out;
  for (const auto& [key, node] : nodes_)
    if (!node.folder) out.push_back(key);
  return out;
}

// ---- registry ---------------------------------------------------------------

namespace {

class RegistryKeyImpl : public platform::RegistryKey {
 public:
  explicit RegistryKeyImpl(Registry::Key& key) : key_(key) {}
  bool ValueExists(const std::string& name) const override { return key_.values.count(Fold(name)) > 0; }
  std::optional<std::string> ReadString(const std::string& name) const override {
    auto it = key_.values.find(Fold(name));
    if (it == key_.values.end()) return std::nullopt;
    if (!it->second.isString || it->second.isRaw) throw platform::RegistryError::InvalidDataType(name);
    return it->second.text;
  }
  std::optional<std::int32_t> ReadInteger(const std::string& name) const override {
    auto it = key_.values.find(Fold(name));
    if (it == key_.values.end()) return std::nullopt;
    const Registry::Value& v = it->second;
    if (v.isRaw || v.isString) {
      // Read into four bytes, as on Windows: a text counts its UTF-16 units and the terminator.
      const std::size_t size = v.isRaw ? v.rawSize : (text::Utf8ToUtf16(v.text).size() + 1) * 2;
      if (size > 4) throw platform::RegistryError::FailedToGet(name);
      throw platform::RegistryError::InvalidDataType(name);
    }
    return v.number;
  }
  void WriteString(const std::string& name, const std::string& value) override {
    if (key_.writesFail) throw platform::RegistryError::FailedToSet(name);
    key_.values[Fold(name)] = Registry::Value{name, true, value, 0};
  }
  void WriteInteger(const std::string& name, std::int32_t value) override {
    if (key_.writesFail) throw platform::RegistryError::FailedToSet(name);
    key_.values[Fold(name)] = Registry::Value{name, false, {}, value};
  }
  bool DeleteValue(const std::string& name) override {
    if (key_.writesFail) return false;
    return key_.values.erase(Fold(name)) > 0;
  }

 private:
  Registry::Key& key_;
};

}  // namespace

std::string Registry::Id(platform::RegRoot root, const std::string& path) {
  std::string p = path;
  while (!p.empty() && p.front() == '\\') p.erase(0, 1);
  while (!p.empty() && p.back() == '\\') p.pop_back();
  return (root == platform::RegRoot::CurrentUser ? "hkcu\\" : "hklm\\") + Fold(p);
}

std::unique_ptr<platform::RegistryKey> Registry::Open(platform::RegRoot root, const std::string& path, bool create) {
  const std::string id = Id(root, path);
  auto it = keys_.find(id);
  if (it == keys_.end()) {
    if (!create) return nullptr;
    it = keys_.emplace(id, Key{}).first;
  }
  return std::make_unique<RegistryKeyImpl>(it->second);
}

Registry::Key& Registry::KeyAt(platform::RegRoot root, const std::string& path) { return keys_[Id(root, path)]; }

bool Registry::HasKey(platform::RegRoot root, const std::string& path) const {
  return keys_.count(Id(root, path)) > 0;
}

void Registry::SetString(platform::RegRoot root, const std::string& path, const std::string& name,
                         const std::string& v) {
  KeyAt(root, path).values[Fold(name)] = Value{name, true, v, 0};
}

void Registry::SetInteger(platform::RegRoot root, const std::string& path, const std::string& name,
                          std::int32_t v) {
  KeyAt(root, path).values[Fold(name)] = Value{name, false, {}, v};
}

void Registry::SetRaw(platform::RegRoot root, const std::string& path, const std::string& name, unsigned type,
                      std::size_t size) {
  Value v{name, false, {}, 0};
  v.isRaw = true;
  v.rawType = type;
  v.rawSize = size;
  KeyAt(root, path).values[Fold(name)] = v;
}

// ---- version resources ------------------------------------------------------

std::optional<platform::VersionValue> VersionBlock::Query(const std::string& subBlock) const {
  auto it = values_.find(Fold(subBlock));
  if (it == values_.end()) return std::nullopt;
  const auto& [bytes, length] = it->second;
  return platform::VersionValue{bytes.empty() ? nullptr : bytes.data(), length};
}

void VersionBlock::SetRaw(const std::string& subBlock, std::vector<unsigned char> bytes, std::uint32_t length) {
  values_[Fold(subBlock)] = {std::move(bytes), length};
}

void VersionBlock::SetString(const std::string& subBlock, const std::u16string& value,
                             std::optional<std::uint32_t> length) {
  std::vector<unsigned char> bytes((value.size() + 1) * sizeof(char16_t), 0);
  std::memcpy(bytes.data(), value.data(), value.size() * sizeof(char16_t));
  SetRaw(subBlock, std::move(bytes), length.value_or(static_cast<std::uint32_t>(value.size() + 1)));
}

void VersionBlock::SetTranslation(std::uint16_t language, std::uint16_t codePage) {
  std::vector<unsigned char> bytes(4);
  std::memcpy(bytes.data(), &language, 2);
  std::memcpy(bytes.data() + 2, &codePage, 2);
  SetRaw("VarFileInfo\\Translation", std::move(bytes), 4);
}

void VersionBlock::SetFixedVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t release,
                                   std::uint16_t build) {
  // VS_FIXEDFILEINFO: signature, struct version, then dwFileVersionMS and dwFileVersionLS.
  std::uint32_t words[13] = {0xFEEF04BD, 0x00010000, (std::uint32_t(major) << 16) | minor,
                             (std::uint32_t(release) << 16) | build};
  std::vector<unsigned char> bytes(sizeof(words));
  std::memcpy(bytes.data(), words, sizeof(words));
  SetRaw("\\", std::move(bytes), sizeof(words));
}

std::unique_ptr<platform::VersionBlock> VersionResources::Load(const std::string& file) const {
  ++loads;
  auto it = blocks_.find(Fold(file));
  if (it == blocks_.end()) return nullptr;
  return std::make_unique<VersionBlock>(it->second);
}

VersionBlock& VersionResources::BlockFor(const std::string& file) { return blocks_[Fold(file)]; }

// ---- process and window system ----------------------------------------------

namespace {
std::string Hex(std::uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(v));
  return buf;
}
}  // namespace

bool CallLog::Contains(const std::string& line) const {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool Process::MutexExists(const std::string& name) {
  log_.Add("MutexExists " + name);
  return mutexes.count(name) > 0;
}

bool Process::CreateNamedMutex(const std::string& name) {
  log_.Add("CreateNamedMutex " + name);
  if (madeMeanwhile.count(name)) mutexes.insert(name);
  return mutexes.insert(name).second;
}

void Process::SetThreadLocale(std::uint32_t lcid) {
  log_.Add("SetThreadLocale " + std::to_string(lcid));
  threadLocale = lcid;
}

bool Process::LowerPriority() {
  log_.Add("LowerPriority");
  if (!canOpenProcess) return false;
  belowNormal = true;
  return true;
}

bool Process::ShellOpen(platform::WindowHandle owner, const std::string& file, const std::string& parameters,
                        const std::string& folder, platform::ShowCommand show) {
  log_.Add("ShellOpen " + Hex(owner) + " " + file);
  shellCalls.push_back({owner, file, parameters, folder, show});
  return shellOpenSucceeds;
}

void WindowSystem::SetWindowPosBottom(platform::WindowHandle window, platform::ZOrderKeep why) {
  log_.Add("SetWindowPosBottom " + Hex(window) + (why == platform::ZOrderKeep::AtTick ? " tick" : " menu"));
}

void WindowSystem::LockWindowUpdate(platform::WindowHandle window) { log_.Add("LockWindowUpdate " + Hex(window)); }

std::uint32_t WindowSystem::GetExStyle(platform::WindowHandle window) const {
  auto it = exStyles.find(window);
  return it == exStyles.end() ? 0 : it->second;
}

void WindowSystem::SetExStyle(platform::WindowHandle window, std::uint32_t exStyle) {
  log_.Add("SetExStyle " + Hex(window) + " " + Hex(exStyle));
  exStyles[window] = exStyle;
}

void WindowSystem::StartSystemMove(platform::WindowHandle window) { log_.Add("StartSystemMove " + Hex(window)); }

void WindowSystem::SetForegroundWindow(platform::WindowHandle window) {
  log_.Add("SetForegroundWindow " + Hex(window));
}

void WindowSystem::HideWindow(platform::WindowHandle window) { log_.Add("HideWindow " + Hex(window)); }

void WindowSystem::InvalidateRect(platform::WindowHandle window, bool erase) {
  log_.Add("InvalidateRect " + Hex(window) + (erase ? " erase" : ""));
}

bool WindowSystem::AddFontFromResource(int id) {
  log_.Add("AddFontFromResource " + std::to_string(id));
  return fontResources.count(id) > 0;
}

int WindowSystem::ShowMessageBox(const std::string& text, const std::string& title, platform::MessageIcon icon) {
  log_.Add("ShowMessageBox " + title + ": " + text + (icon == platform::MessageIcon::Error ? " error" : ""));
  boxes.push_back(Box{text, title, icon});
  return 1;  // IDOK
}

// ---- installation -----------------------------------------------------------

Platform::Platform() : previous_(platform::Current()) {
  platform::Current() = platform::Services{&files, &registry, &versions, &system, &process, &windows};
  platform::Current().clock = &clock;
  platform::Current().threads = &threads;
  platform::Current().desktop = &desktop;
  platform::Current().images = &images;
  platform::Current().http = &http;
  platform::Current().taskbar = &taskbar;
  platform::Current().session = &session;
  platform::Current().crypto = &crypto;
}

Platform::~Platform() { platform::Current() = previous_; }

}  // namespace headless
