// UTF-8 / UTF-16 conversion and the text helpers every layer shares.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// Invalid sequences become U+FFFD, as Windows' own converters do without MB_ERR_INVALID_CHARS.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
void AppendUtf8(std::string& out, char32_t cp);

// Decodes one code point at `pos` and advances it; U+FFFD for a malformed sequence.
char32_t NextCodePoint(std::string_view utf8, size_t& pos);

// Simple case folding for the scripts the interface texts use (Latin, Greek, Cyrillic).
char32_t FoldCase(char32_t cp);

// Case-insensitive equality, as the INI rules and file names need it.
bool SameText(std::string_view a, std::string_view b);

// Strips characters with codes up to 32 (blanks and control characters) from both ends.
std::string_view TrimBlanks(std::string_view s);

// ASCII-only case folding, for comparisons that must not depend on the locale.
bool SameTextAscii(std::string_view a, std::string_view b);

// printf-style "%s" substitution in order; the class library's message texts use only %s.
std::string FormatS(std::string_view pattern, std::initializer_list<std::string_view> args);

bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);

}  // namespace text
