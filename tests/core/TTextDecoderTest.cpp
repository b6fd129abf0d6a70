// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "model/TTextDecoder.h"

namespace {

TEST(TTextDecoder, ValidUtf8StaysAndOtherBytesReadAsWindows1252)
{
    struct Case {
        std::string Bytes;
        std::string Expected;
    };
    const Case cases[] = {
        {"plain ascii", "plain ascii"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},                         // UTF-8 e-acute kept
        {"caf\xE9", "caf\xC3\xA9"},                             // Latin-1 e-acute decoded
        {"\x80 euro", "\xE2\x82\xAC euro"},                     // 0x80 is the euro sign
        {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
        {"\x81", "\xC2\x81"},                                   // undefined byte stands for itself
        {"\xC3", "\xC3\x83"},                                   // truncated sequence
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},       // encoded surrogate is not UTF-8
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                       // overlong form is not UTF-8
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},               // four-byte sequence kept
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TTextDecoder::ToUtf8(c.Bytes), c.Expected) << c.Bytes;
}

TEST(TTextDecoder, CharactersAtAnOffset)
{
    // Utf8At finds only well-formed UTF-8; CharAt falls back to the byte as Windows-1252.
    struct Case {
        std::string Bytes;
        std::size_t At;
        char32_t CodePoint;
        std::size_t Length;
        std::size_t Utf8Length;
    };
    const Case cases[] = {
        {"a", 0, 'a', 1, 1},
        {"x\xC3\xA9", 1, 0xE9, 2, 2},
        {"\xF0\x9F\x98\x80", 0, 0x1F600, 4, 4},
        {"\x80", 0, 0x20AC, 1, 0},
        {"\x8A", 0, 0x160, 1, 0},
        {"\xE4\xB8", 0, 0xE4, 1, 0},       // cut sequence
        {"\xC3\xA9", 1, 0xA9, 1, 0},       // continuation byte alone
        {"\xF4\x90\x80\x80", 0, 0xF4, 1, 0}, // above U+10FFFF
    };
    for (const Case& c : cases) {
        const TTextDecoder::TChar read = TTextDecoder::CharAt(c.Bytes, c.At);
        EXPECT_EQ(read.CodePoint, c.CodePoint) << c.Bytes;
        EXPECT_EQ(read.Length, c.Length) << c.Bytes;
        EXPECT_EQ(TTextDecoder::Utf8At(c.Bytes, c.At).Length, c.Utf8Length) << c.Bytes;
    }
}

} // namespace
