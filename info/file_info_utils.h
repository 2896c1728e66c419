// Values of an executable's version resource, as text. Stateless: every call loads the
// block anew; any failure gives the empty string.
#pragma once

#include <string>

namespace FileInfoUtils {

std::string GetVersionInfoValue(const std::string& fileName, const std::string& valueName);
std::string GetFileVersion(const std::string& fileName);
std::string GetFileDescription(const std::string& fileName);
std::string GetLegalCopyright(const std::string& fileName);
std::string GetCompanyName(const std::string& fileName);

// The scan that turns a FileVersion string value into dotted digits ("1, 4, 0, 12" -> "1.4.0.12").
std::string NormaliseVersion(std::u16string_view value);

}  // namespace FileInfoUtils
