#include "platform/paths.h"

#include <algorithm>

#include "platform/services.h"

namespace paths {

std::string ExtractFilePath(std::string_view path) {
  const size_t pos = path.find_last_of("\\:");
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string ExtractFileName(std::string_view path) {
  const size_t pos = path.find_last_of("\\:");
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string IncludeTrailingBackslash(std::string_view path) {
  std::string out(path);
  if (out.empty() || out.back() != '\\') out += '\\';
  return out;
}

bool ForceFolders(std::string_view folder) {
  auto& fs = *platform::Current().files;
  std::string dir(folder);
  while (!dir.empty() && dir.back() == '\\') dir.pop_back();
  if (dir.empty()) return false;
  // Walk every prefix that ends before a backslash, outermost first. Roots ("C:", "\",
  // "\\server\share") are never created; they exist or the whole path is unusable.
  for (size_t pos = 0;; ++pos) {
    pos = dir.find('\\', pos);
    const std::string prefix = dir.substr(0, pos);
    const bool root = prefix.size() < 3 || prefix.back() == ':' || prefix.back() == '\\' ||
                      (dir.rfind("\\\\", 0) == 0 && std::count(prefix.begin(), prefix.end(), '\\') < 4);
    if (!root && !fs.FolderExists(prefix)) fs.CreateFolder(prefix);
    if (pos == std::string::npos) break;
  }
  return fs.FolderExists(dir);
}

}  // namespace paths
