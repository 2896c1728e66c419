// An INI document held in memory: read whole, changed, written back whole.
//
// Rules: lines end in CR LF on output (CR, LF or CR LF on input); each line is trimmed
// of characters up to code 32; ";" lines, empty lines and lines before the first
// header are dropped; names compare case-insensitively; the first of repeated keys is
// read; everything under a repeated section header is dropped; unknown sections and
// keys survive a rewrite in their order, new ones are appended in first-write order;
// every section is followed by one empty line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class AnsiCodec;
}

namespace settings {

enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

struct DecodedText {
  std::string utf8;
  TextEncoding encoding = TextEncoding::Ansi;
};

// Picks the encoding by byte-order mark (UTF-8, UTF-16 LE/BE), else the ANSI code page.
// Malformed sequences become U+FFFD; nothing else is dropped.
DecodedText DecodeText(std::string_view bytes, const platform::AnsiCodec& ansi);
// The bytes of the text in that encoding, with its byte-order mark for the Unicode ones.
std::string EncodeText(std::string_view utf8, TextEncoding encoding, const platform::AnsiCodec& ansi);

// Decimal with an optional sign, or hexadecimal after "$", "0x" or "0X" (up to 8 digits,
// read as a 32-bit pattern so "$FF00000F" is a system colour). nullopt when unparsable.
std::optional<std::int32_t> ParseInteger(std::string_view text);

class IniDocument {
 public:
  static IniDocument Parse(std::string_view utf8);
  std::string Serialize() const;

  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);

  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(std::string_view section) const;
  // The section's entries in file order, repeated keys included: key + "=" + value, or
  // the bare key of a line written without "=". Empty when there is no such section.
  std::vector<std::string> Entries(std::string_view section) const;
  bool HasSection(std::string_view section) const;
  bool EraseKey(std::string_view section, std::string_view key);
  bool EraseSection(std::string_view section);

 private:
  struct Entry {
    std::string key;
    std::string value;
    bool hasEquals = true;  // a line without "=" is kept as it was written
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;

  std::vector<Section> sections_;
};

}  // namespace settings
