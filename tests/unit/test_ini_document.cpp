#include <gtest/gtest.h>

#include "platform/headless/headless.h"
#include "settings/ini_document.h"

namespace {

using settings::IniDocument;
using settings::TextEncoding;

struct Write {
  std::string section, key, value;
};

// One document in, some writes, the exact text out.
struct RoundTrip {
  const char* name;
  std::string input;
  std::vector<Write> writes;
  std::string expected;
};

TEST(IniDocument, RoundTrips) {
  const RoundTrip cases[] = {
      {"empty stays empty", "", {}, ""},
      {"new file: sections and keys in first-write order",
       "",
       {{"Option", "B", "1"}, {"Language", "Language", "English"}, {"Option", "A", "2"}},
       "[Option]\r\nB=1\r\nA=2\r\n\r\n[Language]\r\nLanguage=English\r\n\r\n"},
      {"existing order kept, new keys appended",
       "[Option]\r\nTop=5\r\nLeft=6\r\n\r\n",
       {{"Option", "Left", "7"}, {"Option", "New", "x"}},
       "[Option]\r\nTop=5\r\nLeft=7\r\nNew=x\r\n\r\n"},
      {"LF and CR line ends, blanks around names and values",
       "  [ Option ]\n Top = 5 \rLeft=6",
       {},
       "[Option]\r\nTop=5\r\nLeft=6\r\n\r\n"},
      {"comments, blank lines and lines before the first header are dropped",
       "orphan=1\r\n; note\r\n[A]\r\n\r\n;x=1\r\nk=v\r\n",
       {},
       "[A]\r\nk=v\r\n\r\n"},
      {"unknown sections and keys survive",
       "[Other]\r\nz=1\r\n[Option]\r\nTop=1\r\n",
       {{"option", "top", "2"}},
       "[Other]\r\nz=1\r\n\r\n[Option]\r\nTop=2\r\n\r\n"},
      {"names compare without case; the first of repeated keys is the one written",
       "[Option]\r\nTop=1\r\nTOP=2\r\n",
       {{"OPTION", "top", "3"}},
       "[Option]\r\nTop=3\r\nTOP=2\r\n\r\n"},
      {"everything under a repeated header is dropped",
       "[A]\r\nk=1\r\n[B]\r\nm=1\r\n[a]\r\nk=2\r\nz=3\r\n",
       {},
       "[A]\r\nk=1\r\n\r\n[B]\r\nm=1\r\n\r\n"},
      {"a line without '=' is kept as written",
       "[A]\r\njust text\r\n",
       {},
       "[A]\r\njust text\r\n\r\n"},
      {"values are literal: quotes, semicolons and '=' inside stay",
       "[A]\r\nk=\"a;b=c\"\r\n",
       {},
       "[A]\r\nk=\"a;b=c\"\r\n\r\n"},
      {"an empty section survives",
       "[Empty]\r\n[A]\r\nk=1\r\n",
       {},
       "[Empty]\r\n\r\n[A]\r\nk=1\r\n\r\n"},
      {"a written line break cannot smuggle in a new line",
       "",
       {{"A", "k", "1\r\n[Evil]\r\nx=1"}},
       "[A]\r\nk=1  [Evil]  x=1\r\n\r\n"},
  };
  for (const auto& c : cases) {
    IniDocument doc = IniDocument::Parse(c.input);
    for (const auto& w : c.writes) doc.Set(w.section, w.key, w.value);
    EXPECT_EQ(doc.Serialize(), c.expected) << c.name;
    // What was written reads back the same.
    EXPECT_EQ(IniDocument::Parse(doc.Serialize()).Serialize(), c.expected) << c.name;
  }
}

TEST(IniDocument, ReadingRules) {
  const IniDocument doc = IniDocument::Parse(
      "[Option]\r\nTop=1\r\ntop=2\r\n bare \r\n=orphan value\r\nEmpty=\r\n[OPTION]\r\nLeft=9\r\n");
  EXPECT_EQ(doc.Find("option", "TOP"), "1");  // the first of repeated keys
  EXPECT_EQ(doc.Find("Option", "bare"), "");  // a key without value
  EXPECT_EQ(doc.Find("Option", ""), "orphan value");
  EXPECT_EQ(doc.Find("Option", "Empty"), "");
  EXPECT_EQ(doc.Find("Option", "Left"), std::nullopt);  // under the repeated header
  EXPECT_EQ(doc.Find("Missing", "Top"), std::nullopt);
  EXPECT_EQ(doc.SectionNames(), std::vector<std::string>{"Option"});
}

TEST(IniDocument, HeaderNeedsBothBrackets) {
  const IniDocument doc = IniDocument::Parse("[A]\r\n[B\r\nC]\r\n[]\r\nk=1\r\n");
  EXPECT_EQ(doc.Find("A", "[B"), "");
  EXPECT_EQ(doc.Find("A", "C]"), "");
  EXPECT_EQ(doc.Find("", "k"), "1");
}

TEST(IniDocument, ParseInteger) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;
  } cases[] = {
      {"0", 0},         {"16", 16},           {"-5", -5},         {"+7", 7},
      {"0x10", 16},     {"0X10", 16},         {"$10", 16},        {"$ff", 255},
      {"-$10", -16},    {"$FF00000F", -16777201},                 {"$FFFFFFFF", -1},
      {"2147483647", 2147483647},             {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},           {"99999999999999999999", std::nullopt},
      {"", std::nullopt},                     {"$", std::nullopt}, {"0x", std::nullopt},
      {"$123456789", std::nullopt},           {"1.5", std::nullopt}, {"12abc", std::nullopt},
      {"abc", std::nullopt},                  {"- 1", std::nullopt}, {"0x1G", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(settings::ParseInteger(c.text), c.value) << c.text;
}

struct EncodingCase {
  const char* name;
  std::string bytes;
  TextEncoding encoding;
  std::string utf8;
};

TEST(IniDocument, EncodingsByByteOrderMark) {
  const headless::SingleByteCodec cp1251(1251);
  const EncodingCase cases[] = {
      {"ANSI without a mark", "[A]\r\nk=\xCF\xF0\xE8\r\n", TextEncoding::Ansi, "[A]\r\nk=\xD0\x9F\xD1\x80\xD0\xB8\r\n"},
      {"UTF-8", "\xEF\xBB\xBFk=\xD0\x9F", TextEncoding::Utf8, "k=\xD0\x9F"},
      {"UTF-16 LE", std::string("\xFF\xFEk\0=\0\x1F\x04", 8), TextEncoding::Utf16LE, "k=\xD0\x9F"},
      {"UTF-16 BE", std::string("\xFE\xFF\0k\0=\x04\x1F", 8), TextEncoding::Utf16BE, "k=\xD0\x9F"},
      {"a lone UTF-8 mark", "\xEF\xBB\xBF", TextEncoding::Utf8, ""},
      {"a lone UTF-16 mark", "\xFF\xFE", TextEncoding::Utf16LE, ""},
      {"invalid UTF-8 becomes U+FFFD", "\xEF\xBB\xBFk=a\xC3(", TextEncoding::Utf8, "k=a\xEF\xBF\xBD("},
      {"a kept U+FFFD stays one", "\xEF\xBB\xBF\xEF\xBF\xBD", TextEncoding::Utf8, "\xEF\xBF\xBD"},
      {"odd UTF-16 length", std::string("\xFF\xFEk\0=", 5), TextEncoding::Utf16LE, "k\xEF\xBF\xBD"},
      {"lone UTF-16 surrogate", std::string("\xFF\xFE\x00\xD8k\0", 6), TextEncoding::Utf16LE, "\xEF\xBF\xBDk"},
      {"NUL bytes are characters", std::string("k=a\0b", 5), TextEncoding::Ansi, std::string("k=a\0b", 5)},
  };
  for (const auto& c : cases) {
    const auto decoded = settings::DecodeText(c.bytes, cp1251);
    EXPECT_EQ(decoded.encoding, c.encoding) << c.name;
    EXPECT_EQ(decoded.utf8, c.utf8) << c.name;
  }
}

TEST(IniDocument, EncodeWritesTheMarkOfItsEncoding) {
  const headless::SingleByteCodec cp1251(1251);
  const std::string text = "k=\xD0\x9F";  // k=П
  EXPECT_EQ(settings::EncodeText(text, TextEncoding::Ansi, cp1251), "k=\xCF");
  EXPECT_EQ(settings::EncodeText(text, TextEncoding::Utf8, cp1251), "\xEF\xBB\xBFk=\xD0\x9F");
  EXPECT_EQ(settings::EncodeText(text, TextEncoding::Utf16LE, cp1251), std::string("\xFF\xFEk\0=\0\x1F\x04", 8));
  EXPECT_EQ(settings::EncodeText(text, TextEncoding::Utf16BE, cp1251), std::string("\xFE\xFF\0k\0=\x04\x1F", 8));
  // A character the code page lacks becomes '?', as the system converter does.
  EXPECT_EQ(settings::EncodeText("\xE4\xB8\xAD", TextEncoding::Ansi, cp1251), "?");
}

TEST(IniDocument, HostileInputIsHandled) {
  // A 50 MB line: read once, kept whole, no blow-up.
  std::string big = "[A]\r\nk=" + std::string(50u << 20, 'x') + "\r\nnext=1\r\n";
  const IniDocument doc = IniDocument::Parse(big);
  EXPECT_EQ(doc.Find("A", "k")->size(), 50u << 20);
  EXPECT_EQ(doc.Find("A", "next"), "1");
  // Only NULs and control characters: nothing usable, nothing crashes.
  EXPECT_EQ(IniDocument::Parse(std::string(1000, '\0')).Serialize(), "");
  // Thousands of sections and keys stay in order.
  std::string many;
  for (int i = 0; i < 2000; ++i) many += "[S" + std::to_string(i) + "]\r\nk=" + std::to_string(i) + "\r\n";
  const IniDocument m = IniDocument::Parse(many);
  EXPECT_EQ(m.SectionNames().size(), 2000u);
  EXPECT_EQ(m.Find("s1999", "K"), "1999");
}

}  // namespace
