// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "engine/TLetterTest.h"

namespace {

// A character at (or before) an offset of a text: its length in bytes and whether it is a letter.
struct Case {
    const char* Name;
    std::string Text;
    std::size_t Offset;
    int Length;
    bool Letter;
};

TEST(LetterTest, CharactersAtAnOffset)
{
    const Case cases[] = {
        {"ASCII letter", "xQ", 1, 1, true},
        {"ASCII lower", "z", 0, 1, true},
        {"digit", "7", 0, 1, false},
        {"underscore", "_", 0, 1, false},
        {"at sign, next to A", "@", 0, 1, false},
        {"bracket, next to Z", "[", 0, 1, false},
        {"UTF-8 e acute", "\xc3\xa9", 0, 2, true},
        {"UTF-8 Greek omega", "\xcf\x89", 0, 2, true},
        {"UTF-8 CJK", "\xe4\xb8\xad", 0, 3, true},
        {"UTF-8 Gothic letter (4 bytes)", "\xf0\x90\x8c\xb0", 0, 4, true},
        {"UTF-8 em dash", "\xe2\x80\x94", 0, 3, false},
        // Its last byte alone would be the Windows-1252 letter S caron.
        {"UTF-8 hair space", "\xe2\x80\x8a", 0, 3, false},
        {"UTF-8 emoji", "\xf0\x9f\x98\x80", 0, 4, false},
        {"UTF-8 non-breaking space", "\xc2\xa0", 0, 2, false},
        {"Windows-1252 e acute", "\xe9 ", 0, 1, true},
        {"Windows-1252 S caron", "\x8a", 0, 1, true},
        {"Windows-1252 euro sign", "\x80", 0, 1, false},
        {"Windows-1252 feminine ordinal", "\xaa", 0, 1, true},
        {"Windows-1252 copyright", "\xa9", 0, 1, false},
        {"Windows-1252 multiplication sign", "\xd7", 0, 1, false},
        {"undefined in Windows-1252", "\x81", 0, 1, false},
        {"cut sequence: lead byte alone", "\xe4\xb8", 0, 1, true},
        {"overlong form", "\xc0\x80", 0, 1, true},
        {"surrogate", "\xed\xa0\x80", 0, 1, true},
        {"above U+10FFFF", "\xf4\x90\x80\x80", 0, 1, true},
        {"continuation byte alone", "\xc3\xa9", 1, 1, false},
        {"past the end", "a", 1, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const TCharInfo info = CharAt(c.Text, c.Offset);
        EXPECT_EQ(info.Length, c.Length);
        EXPECT_EQ(info.IsLetter, c.Letter);
        EXPECT_EQ(IsCharAlpha(c.Text, c.Offset), c.Letter);
    }
}

TEST(LetterTest, CharactersBeforeAnOffset)
{
    const Case cases[] = {
        {"ASCII", "ab", 1, 1, true},
        {"start of text", "ab", 0, 0, false},
        {"whole UTF-8 sequence", "x\xc3\xa9y", 3, 2, true},
        {"whole UTF-8 non-letter", "x\xe2\x80\x8ay", 4, 3, false},
        // The byte before stands alone: 0xB8 is the Windows-1252 cedilla.
        {"inside a sequence", "\xe4\xb8\xad", 2, 1, false},
        {"lone Windows-1252 letter", "a\xe9", 2, 1, true},
        {"sequence starting before the text", "\xa9", 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const TCharInfo info = CharBefore(c.Text, c.Offset);
        EXPECT_EQ(info.Length, c.Length);
        EXPECT_EQ(info.IsLetter, c.Letter);
    }
}

TEST(LetterTest, WordCharactersAreLettersAndTheUnderscore)
{
    EXPECT_TRUE(IsWordChar(CharAt("_", 0)));
    EXPECT_TRUE(IsWordChar(CharAt("\xc3\xa9", 0)));
    EXPECT_FALSE(IsWordChar(CharAt("5", 0)));
    EXPECT_FALSE(IsWordChar(CharAt("-", 0)));
}

} // namespace
