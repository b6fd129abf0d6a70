// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The letter test of the search (word characters, Soundex words).
//
// Searched text is bytes that may hold UTF-8, single-byte Windows-1252, or a mix of both; its
// characters are those TTextDecoder reads: an ASCII byte, a well-formed UTF-8 sequence, or any
// other single byte, read as Windows-1252. A character is a letter when its code point is alphabetic (a Unicode
// letter of category Lu, Ll, Lt, Lm or Lo).
struct TCharInfo {
    uint32_t CodePoint = 0;  // Unicode code point; a Windows-1252 byte gives its mapped code point
    uint8_t Length = 0;      // bytes of the character, 1 to 4; 0 only outside the text
    bool IsLetter = false;
};

namespace LetterTest {

// Non-ASCII characters, and the table lookup, live out of line.
TCharInfo DecodeAt(std::string_view text, std::size_t offset);
TCharInfo DecodeBefore(std::string_view text, std::size_t offset);
bool IsAlphabetic(uint32_t codePoint);

inline bool IsAsciiLetter(unsigned char c)
{
    return static_cast<unsigned char>((c | 0x20) - 'a') < 26;
}

} // namespace LetterTest

// The character that starts at `offset` of `text` (Length 0 when offset is at or past the end).
inline TCharInfo CharAt(std::string_view text, std::size_t offset)
{
    if (offset >= text.size())
        return {};
    const auto c = static_cast<unsigned char>(text[offset]);
    if (c < 0x80)
        return {c, 1, LetterTest::IsAsciiLetter(c)};
    return LetterTest::DecodeAt(text, offset);
}

// The character that ends right before `offset` (Length 0 at offset 0). A UTF-8 sequence counts
// only when it ends exactly at `offset`; otherwise the byte before `offset` stands alone.
inline TCharInfo CharBefore(std::string_view text, std::size_t offset)
{
    if (offset == 0 || offset > text.size())
        return {};
    const auto c = static_cast<unsigned char>(text[offset - 1]);
    if (c < 0x80)
        return {c, 1, LetterTest::IsAsciiLetter(c)};
    return LetterTest::DecodeBefore(text, offset);
}

// The platform's letter test: whether the character at `offset` of `text` is a letter.
inline bool IsCharAlpha(std::string_view text, std::size_t offset)
{
    return CharAt(text, offset).IsLetter;
}

// A word character is a letter or the underscore; digits are not word characters.
inline bool IsWordChar(const TCharInfo& c)
{
    return c.IsLetter || c.CodePoint == '_';
}
