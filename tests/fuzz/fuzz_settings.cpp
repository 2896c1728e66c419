// The settings file as the program reads it: bytes in any encoding (by byte-order mark, else
// the ANSI code page) through the INI reader and writer. For any input: no crash, valid UTF-8
// out, a written document reads back to the same text, Unicode files round-trip exactly, and
// the file object's reads and writes agree with the document after a rewrite.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/headless/headless.h"
#include "platform/text.h"
#include "settings/ini_document.h"
#include "settings/ini_file.h"

namespace {

constexpr const char* kPath = "C:\\Users\\User\\AppData\\Roaming\\Cifrona Project\\Cifrona\\Config\\Option.ini";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static headless::Platform sys;
  const auto& codec = sys.system.codec;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const auto decoded = settings::DecodeText(bytes, codec);
  FUZZ_CHECK(text::Utf16ToUtf8(text::Utf8ToUtf16(decoded.utf8)) == decoded.utf8);  // valid UTF-8

  auto doc = settings::IniDocument::Parse(decoded.utf8);
  for (const auto& section : doc.SectionNames()) {
    FUZZ_CHECK(doc.HasSection(section));
    for (const auto& key : doc.KeyNames(section)) (void)settings::ParseInteger(doc.Find(section, key).value_or(""));
    (void)doc.Entries(section);
  }
  doc.Set("Option", "Top", "1");
  const std::string once = doc.Serialize();
  const std::string twice = settings::IniDocument::Parse(once).Serialize();
  FUZZ_CHECK(once == twice);  // writing is a fixed point

  const std::string encoded = settings::EncodeText(once, decoded.encoding, codec);
  if (decoded.encoding != settings::TextEncoding::Ansi) FUZZ_CHECK(settings::DecodeText(encoded, codec).utf8 == once);

  // The same bytes as the settings file on disk: read, changed, written in one step, read again.
  sys.files.AddFile(kPath, bytes);
  settings::IniFile ini(kPath);
  FUZZ_CHECK(ini.Encoding() == decoded.encoding);
  const std::int32_t top = ini.ReadInteger("Option", "Top", -1);
  const bool bold = ini.ReadBool("Option", "Bold", false);
  const std::string font = ini.ReadString("Option", "Font", "Arial");
  ini.WriteInteger("Option", "Top", top);
  ini.WriteBool("Option", "Bold", bold);
  ini.WriteString("Option", "Font", font);
  ini.Document().EraseKey("Option", "Missing");
  ini.Update();
  settings::IniFile again(kPath);
  FUZZ_CHECK(again.ReadInteger("Option", "Top", -2) == top);
  FUZZ_CHECK(again.ReadBool("Option", "Bold", !bold) == bold);
  // A text may lose its outer blanks on the way; what came back survives the next rewrite as it is.
  const std::string fontAgain = again.ReadString("Option", "Font", "");
  again.WriteString("Option", "Font", fontAgain);
  again.Update();
  FUZZ_CHECK(settings::IniFile(kPath).ReadString("Option", "Font", "?") == fontAgain);
  return 0;
}
