#include "info/file_info_utils.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/services.h"
#include "platform/text.h"

namespace FileInfoUtils {

namespace {

constexpr const char* kFallbackKey = "040904E4";  // US English, code page 1252

std::unique_ptr<platform::VersionBlock> LoadBlock(const std::string& fileName) {
  try {
    return platform::Current().versions->Load(fileName);
  } catch (...) {
    return nullptr;
  }
}

std::string TranslationKey(const platform::VersionBlock& block) {
  const auto translation = block.Query("VarFileInfo\\Translation");
  if (!translation || !translation->data || translation->length < 4) return kFallbackKey;
  std::uint16_t entry[2];
  std::memcpy(entry, translation->data, sizeof(entry));
  char key[16];
  std::snprintf(key, sizeof(key), "%.4X%.4X", entry[0], entry[1]);
  return std::string(key) == "00000000" ? kFallbackKey : key;
}

// The string value at the path, counted as the query reports it (may include the zero).
std::optional<std::u16string> QueryString(const platform::VersionBlock& block, const std::string& path) {
  const auto value = block.Query(path);
  if (!value || !value->data || value->length == 0) return std::nullopt;
  std::u16string out(value->length, u'\0');
  std::memcpy(out.data(), value->data, value->length * sizeof(char16_t));
  return out;
}

}  // namespace

std::string NormaliseVersion(std::u16string_view value) {
  std::string result;
  for (char16_t c : value) {
    if (c >= u'0' && c <= u'9') {
      result += static_cast<char>(c);
    } else if (c == u'.' || c == u',') {
      if (!result.empty() && result.back() != '.') result += '.';
    } else if (c != u' ') {
      break;  // a letter, hyphen, bracket or the terminating zero ends the version
    }
  }
  if (!result.empty() && result.back() == '.') result.pop_back();
  return result;
}

std::string GetVersionInfoValue(const std::string& fileName, const std::string& valueName) {
  const auto block = LoadBlock(fileName);
  if (!block) return {};
  auto value = QueryString(*block, "StringFileInfo\\" + TranslationKey(*block) + "\\" + valueName);
  if (!value) return {};
  value->resize(std::u16string_view(value->c_str()).size());  // up to the terminating zero
  return text::Utf16ToUtf8(*value);
}

std::string GetFileVersion(const std::string& fileName) {
  const auto block = LoadBlock(fileName);
  if (!block) return {};
  if (const auto value = QueryString(*block, "StringFileInfo\\" + TranslationKey(*block) + "\\FileVersion")) {
    std::string result = NormaliseVersion(*value);
    if (!result.empty()) return result;
  }
  const auto fixed = block->Query("\\");
  if (!fixed || !fixed->data || fixed->length < 16) return {};
  std::uint32_t words[4];  // signature, structure version, dwFileVersionMS, dwFileVersionLS
  std::memcpy(words, fixed->data, sizeof(words));
  char out[64];
  std::snprintf(out, sizeof(out), "%u.%u.%u.%u", words[2] >> 16, words[2] & 0xFFFF, words[3] >> 16,
                words[3] & 0xFFFF);
  return out;
}

std::string GetFileDescription(const std::string& fileName) { return GetVersionInfoValue(fileName, "FileDescription"); }
std::string GetLegalCopyright(const std::string& fileName) { return GetVersionInfoValue(fileName, "LegalCopyright"); }
std::string GetCompanyName(const std::string& fileName) { return GetVersionInfoValue(fileName, "CompanyName"); }

}  // namespace FileInfoUtils
