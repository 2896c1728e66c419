#include "settings/ini_document.h"

#include "platform/services.h"
#include "platform/text.h"

namespace settings {

namespace {

std::string SingleLine(std::string_view s) {
  // A line break inside a name or value would smuggle extra lines into the file.
  std::string out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2 + 1);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    units += static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  }
  if (bytes.size() % 2) units += u'\uFFFD';  // a dangling byte is shown, not silently dropped
  return text::Utf16ToUtf8(units);
}

std::string EncodeUtf16(std::string_view utf8, bool bigEndian) {
  const std::u16string units = text::Utf8ToUtf16(utf8);
  std::string out;
  out.reserve(2 + units.size() * 2);
  out += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t u : units) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

std::string ValidUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t pos = 0; pos < s.size();) {
    const size_t start = pos;
    const char32_t cp = text::NextCodePoint(s, pos);
    if (cp == 0xFFFD && !(pos - start == 3 && s.substr(start, 3) == "\xEF\xBF\xBD"))
      text::AppendUtf8(out, cp);
    else
      out.append(s.substr(start, pos - start));
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

DecodedText DecodeText(std::string_view bytes, const platform::AnsiCodec& ansi) {
  if (text::StartsWith(bytes, "\xEF\xBB\xBF")) return {ValidUtf8(bytes.substr(3)), TextEncoding::Utf8};
  if (text::StartsWith(bytes, "\xFF\xFE")) return {DecodeUtf16(bytes.substr(2), false), TextEncoding::Utf16LE};
  if (text::StartsWith(bytes, "\xFE\xFF")) return {DecodeUtf16(bytes.substr(2), true), TextEncoding::Utf16BE};
  return {ansi.ToUtf8(bytes), TextEncoding::Ansi};
}

std::string EncodeText(std::string_view utf8, TextEncoding encoding, const platform::AnsiCodec& ansi) {
  switch (encoding) {
    case TextEncoding::Utf8: return "\xEF\xBB\xBF" + std::string(utf8);
    case TextEncoding::Utf16LE: return EncodeUtf16(utf8, false);
    case TextEncoding::Utf16BE: return EncodeUtf16(utf8, true);
    case TextEncoding::Ansi: break;
  }
  return ansi.FromUtf8(utf8);
}

std::optional<std::int32_t> ParseInteger(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  std::int64_t value = 0;
  if (text::StartsWith(s, "$") || text::StartsWith(s, "0x") || text::StartsWith(s, "0X")) {
    s.remove_prefix(s[0] == '$' ? 1 : 2);
    if (s.empty() || s.size() > 8) return std::nullopt;
    std::uint32_t bits = 0;
    for (char c : s) {
      const int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      bits = (bits << 4) | static_cast<std::uint32_t>(d);
    }
    value = static_cast<std::int32_t>(bits);  // "$FFFFFFFF" is -1, as a 32-bit pattern
  } else {
    if (s.empty()) return std::nullopt;
    for (char c : s) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + (c - '0');
      if (value > 2147483648LL) return std::nullopt;
    }
    if (!negative && value > 2147483647LL) return std::nullopt;
  }
  if (negative) value = -value;
  return static_cast<std::int32_t>(value);
}

IniDocument IniDocument::Parse(std::string_view all) {
  IniDocument doc;
  Section* current = nullptr;
  bool skipping = false;  // under a repeated header: only the first section of a name counts
  size_t pos = 0;
  while (pos <= all.size()) {
    size_t end = all.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = all.size();
    const std::string_view line = text::TrimBlanks(all.substr(pos, end - pos));
    pos = end + ((end + 1 < all.size() && all[end] == '\r' && all[end + 1] == '\n') ? 2 : 1);

    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const std::string_view name = text::TrimBlanks(line.substr(1, line.size() - 2));
      skipping = doc.FindSection(name) != nullptr;
      if (!skipping) {
        doc.sections_.push_back(Section{std::string(name), {}});
        current = &doc.sections_.back();
      }
      continue;
    }
    if (!current || skipping) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      current->entries.push_back(Entry{std::string(line), {}, false});
    } else {
      current->entries.push_back(Entry{std::string(text::TrimBlanks(line.substr(0, eq))),
                                       std::string(text::TrimBlanks(line.substr(eq + 1))), true});
    }
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  std::string out;
  for (const auto& section : sections_) {
    out += '[';
    out += section.name;
    out += "]\r\n";
    for (const auto& e : section.entries) {
      out += e.key;
      if (e.hasEquals) {
        out += '=';
        out += e.value;
      }
      out += "\r\n";
    }
    out += "\r\n";
  }
  return out;
}

IniDocument::Section* IniDocument::FindSection(std::string_view name) {
  for (auto& s : sections_)
    if (text::SameText(s.name, name)) return &s;
  return nullptr;
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const {
  return const_cast<IniDocument*>(this)->FindSection(name);
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
  if (const Section* s = FindSection(section))
    for (const auto& e : s->entries)
      if (text::SameText(e.key, key)) return e.value;
  return std::nullopt;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = FindSection(section);
  if (!s) {
    sections_.push_back(Section{SingleLine(section), {}});
    s = &sections_.back();
  }
  for (auto& e : s->entries) {
    if (text::SameText(e.key, key)) {
      e.value = SingleLine(value);
      e.hasEquals = true;
      return;
    }
  }
  s->entries.push_back(Entry{SingleLine(key), SingleLine(value), true});
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> out;
  for (const auto& s : sections_) out.push_back(s.name);
  return out;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> out;
  if (const Section* s = FindSection(section))
    for (const auto& e : s->entries) out.push_back(e.key);
  return out;
}

std::vector<std::string> IniDocument::Entries(std::string_view section) const {
  std::vector<std::string> out;
  if (const Section* s = FindSection(section))
    for (const auto& e : s->entries) out.push_back(e.hasEquals ? e.key + "=" + e.value : e.key);
  return out;
}

bool IniDocument::HasSection(std::string_view section) const { return FindSection(section) != nullptr; }

bool IniDocument::EraseKey(std::string_view section, std::string_view key) {
  Section* s = FindSection(section);
  if (!s) return false;
  for (auto it = s->entries.begin(); it != s->entries.end(); ++it) {
    if (text::SameText(it->key, key)) {
      s->entries.erase(it);
      return true;
    }
  }
  return false;
}

bool IniDocument::EraseSection(std::string_view section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it) {
    if (text::SameText(it->name, section)) {
      sections_.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace settings
