// A settings file: an INI document bound to its path. Opening reads the whole file (or
// starts empty; nothing is created on disk), reads and writes change only memory,
// Update writes the whole document back, and closing (destruction) never writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/ini_document.h"

namespace settings {

class IniFile {
 public:
  // Throws platform::FileError ("Cannot open file ...") when the file exists but cannot be read.
  explicit IniFile(std::string path);

  const std::string& Path() const { return path_; }
  TextEncoding Encoding() const { return encoding_; }
  IniDocument& Document() { return doc_; }
  const IniDocument& Document() const { return doc_; }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Replaces the file in one step: a failed write leaves the old file whole and throws
  // platform::FileError ("Cannot create file ...").
  void Update();

 private:
  std::string path_;
  TextEncoding encoding_ = TextEncoding::Ansi;  // a new file is written in the ANSI code page
  IniDocument doc_;
};

}  // namespace settings
