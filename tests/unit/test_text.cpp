#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

TEST(Text, Utf8RoundTripAndReplacement) {
  struct Case {
    std::string in;
    std::u16string utf16;
    std::string back;
  } cases[] = {
      {"abc", u"abc", "abc"},
      {"\xD0\x9F\xD1\x80\xD0\xB8", u"\u041F\u0440\u0438", "\xD0\x9F\xD1\x80\xD0\xB8"},  // Russian
      {"\xF0\x9F\x98\x80", u"\U0001F600", "\xF0\x9F\x98\x80"},                        // surrogate pair
      {"a\xFF" "b", u"a\uFFFD" "b", "a\xEF\xBF\xBD" "b"},                              // stray byte
      {"\xE0\x80\x80", u"\uFFFD", "\xEF\xBF\xBD"},                                     // overlong form
      {"\xED\xA0\x80", u"\uFFFD", "\xEF\xBF\xBD"},                                     // encoded surrogate
      {"x\xD0", u"x\uFFFD", "x\xEF\xBF\xBD"},                                          // cut sequence
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3), std::string("a\0b", 3)},  // NUL is a character
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text::Utf8ToUtf16(c.in), c.utf16) << c.in;
    EXPECT_EQ(text::Utf16ToUtf8(text::Utf8ToUtf16(c.in)), c.back) << c.in;
  }
  EXPECT_EQ(text::Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
}

TEST(Text, SameTextFoldsLatinAndCyrillic) {
  EXPECT_TRUE(text::SameText("Option", "OPTION"));
  EXPECT_TRUE(text::SameText("\xD0\xAF\xD0\x97\xD0\xAB\xD0\x9A", "\xD1\x8F\xD0\xB7\xD1\x8B\xD0\xBA"));  // ЯЗЫК / язык
  EXPECT_TRUE(text::SameText("\xC3\x84", "\xC3\xA4"));                                                  // Ä / ä
  EXPECT_FALSE(text::SameText("Option", "Options"));
  EXPECT_FALSE(text::SameText("a", "b"));
  EXPECT_FALSE(text::SameTextAscii("\xC3\x84", "\xC3\xA4"));  // ASCII-only folding leaves others alone
  EXPECT_TRUE(text::SameTextAscii("CIFRONA", "cifrona"));
}

TEST(Text, TrimBlanksStripsEveryControlCharacter) {
  EXPECT_EQ(text::TrimBlanks(std::string("\t \x01 a b\x1F\0 ", 10)), "a b");
  EXPECT_EQ(text::TrimBlanks("   "), "");
}

TEST(Text, FormatSubstitutesInOrder) {
  EXPECT_EQ(text::FormatS("Cannot create file \"%s\". %s", {"C:\\x.ini", "Access is denied"}),
            "Cannot create file \"C:\\x.ini\". Access is denied");
}

}  // namespace
