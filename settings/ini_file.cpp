#include "settings/ini_file.h"

#include "platform/services.h"

namespace settings {

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  const auto& services = platform::Current();
  if (auto bytes = services.files->ReadAll(path_)) {
    DecodedText decoded = DecodeText(*bytes, services.system->Ansi());
    encoding_ = decoded.encoding;
    doc_ = IniDocument::Parse(decoded.utf8);
  }
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  auto value = doc_.Find(section, key);
  return value ? *value : std::string(def);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const {
  auto value = doc_.Find(section, key);
  if (!value) return def;
  return ParseInteger(*value).value_or(def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  return doc_.Find(section, key).has_value();
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  doc_.Set(section, key, value);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  doc_.Set(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  doc_.Set(section, key, value ? "1" : "0");
}

void IniFile::Update() {
  const auto& services = platform::Current();
  services.files->ReplaceAll(path_, EncodeText(doc_.Serialize(), encoding_, services.system->Ansi()));
}

}  // namespace settings
