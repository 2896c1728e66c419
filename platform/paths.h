// Windows path helpers, composed exactly as the program's paths are composed.
#pragma once

#include <string>
#include <string_view>

namespace paths {

// Everything up to and including the last backslash (or drive colon); empty when none.
std::string ExtractFilePath(std::string_view path);
std::string ExtractFileName(std::string_view path);
// Appends "\" unless the text already ends with one; an empty text becomes "\".
std::string IncludeTrailingBackslash(std::string_view path);
// Creates the folder and every missing parent, outermost first, through the current
// file system; true when the folder exists afterwards.
bool ForceFolders(std::string_view folder);

}  // namespace paths
