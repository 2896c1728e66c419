// Feeds arbitrary bytes through the settings-file reader and writer and checks the
// invariants that must hold for any input: no crash, valid UTF-8 out, and a written
// document reads back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/headless/headless.h"
#include "platform/text.h"
#include "settings/ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const headless::SingleByteCodec codec(1251);
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const auto decoded = settings::DecodeText(bytes, codec);
  if (text::Utf16ToUtf8(text::Utf8ToUtf16(decoded.utf8)) != decoded.utf8) std::abort();  // not valid UTF-8

  auto doc = settings::IniDocument::Parse(decoded.utf8);
  for (const auto& section : doc.SectionNames())
    for (const auto& key : doc.KeyNames(section)) (void)settings::ParseInteger(doc.Find(section, key).value_or(""));
  doc.Set("Option", "Top", "1");
  const std::string once = doc.Serialize();
  const std::string twice = settings::IniDocument::Parse(once).Serialize();
  if (once != twice) std::abort();  // writing is not a fixed point

  const std::string encoded = settings::EncodeText(once, decoded.encoding, codec);
  if (decoded.encoding != settings::TextEncoding::Ansi && settings::DecodeText(encoded, codec).utf8 != once)
    std::abort();  // Unicode files must round-trip exactly
  return 0;
}
