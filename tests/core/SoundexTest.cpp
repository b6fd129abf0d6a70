// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "engine/TSoundex.h"

namespace {

// The code as text: the first character, then the three digits ("R163", "L000").
std::string CodeText(const TSoundexCode& code)
{
    std::string text;
    if (code.First == 0)
        text += '-';
    else if (code.First < 0x80)
        text += static_cast<char>(code.First);
    else
        text += "U+" + std::to_string(code.First) + ":";
    for (uint8_t digit : code.Digits)
        text += static_cast<char>('0' + digit);
    return text;
}

TEST(TSoundex, CodesOfWords)
{
    struct Case {
        std::string Word;
        const char* Code;
    };
    const Case cases[] = {
        {"Robert", "R163"},
        {"Rupert", "R163"},
        {"robert", "R163"},
        {"Jackson", "J222"},   // equal values of different letters are not merged
        {"Lloyd", "L430"},     // the doubled first letter is not merged
        {"Loyd", "L300"},
        {"Lee", "L000"},
        {"Lea", "L000"},
        {"Le", "L000"},
        {"Kant", "K530"},
        {"Cant", "C530"},
        {"Pfister", "P123"},   // the first letter is never compared with the second
        {"Bb", "B100"},
        {"Bbb", "B100"},       // a run of equal letters counts once, through its last letter
        {"Abba", "A100"},
        {"Tymczak", "T522"},
        {"A", "A000"},
        {"Washington", "W252"},
        {"Müller", "M460"},    // letters outside A to Z give no value
        {"Muller", "M460"},
        {"smith jones", "S532"}, // a blank gives no value either
        {"", "-000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Word);
        EXPECT_EQ(CodeText(TSoundex::SoundexCode(c.Word)), c.Code);
    }
    // A first letter of several bytes is held whole, and its two encodings agree.
    EXPECT_EQ(TSoundex::SoundexCode("\xc3\x89mile"), TSoundex::SoundexCode("\xc9mile"));
    EXPECT_NE(TSoundex::SoundexCode("\xc3\x89mile"), TSoundex::SoundexCode("\xc3\x96mile"));
    EXPECT_NE(TSoundex::SoundexCode("\xc3\x89mile"), TSoundex::SoundexCode("Emile"));
}

TEST(TSoundex, NextWord)
{
    struct Case {
        std::string Text;
        std::size_t From;
        bool Found;
        std::size_t Start, Length, Next;
    };
    const Case cases[] = {
        {"  hello world", 0, true, 2, 5, 7},
        {"  hello world", 7, true, 8, 5, 13},
        {"  hello world", 3, true, 3, 4, 7},
        {"x1y", 0, true, 0, 1, 1},
        {"x1y", 1, true, 2, 1, 3},
        {"ab\ncd", 2, false, 0, 0, 0},   // a line feed ends the search
        {"123 -- !", 0, false, 0, 0, 0},
        {"", 0, false, 0, 0, 0},
        {"ab", 5, false, 0, 0, 0},
        {"na\xc3\xafve caf\xc3\xa9", 0, true, 0, 6, 6},
        {"na\xc3\xafve caf\xc3\xa9", 6, true, 7, 5, 12},
        {"\xe2\x80\x8a" "ab", 0, true, 3, 2, 5},   // a whole non-letter sequence is skipped
        {"a_b", 0, true, 0, 1, 1},                   // the underscore is not a letter
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text + " from " + std::to_string(c.From));
        std::size_t start = 0, length = 0, next = 0;
        ASSERT_EQ(TSoundex::NextWord(c.Text, c.From, start, length, next), c.Found);
        if (c.Found) {
            EXPECT_EQ(start, c.Start);
            EXPECT_EQ(length, c.Length);
            EXPECT_EQ(next, c.Next);
        }
    }
}

TEST(TSoundex, FindsTheFirstWordThatSoundsLikeTheSearchString)
{
    struct Case {
        const char* Search;
        const char* Text;
        long Start, End; // -1 for no hit
    };
    const Case cases[] = {
        {"smith", "Mr. Smyth-Jones", 4, 9},
        {"Robert", "Rupert and Robert", 0, 6},
        {"Lloyd", "Loyd", -1, -1},
        {"Kant", "Cant", -1, -1},
        {"Lee", "a Le b", 2, 4},
        {"abc", "1234 -- ", -1, -1},
        {"", "any words", -1, -1},
        {"Smith", "Schmidt Smith", 8, 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Search) + " in " + c.Text);
        std::size_t start = 0, end = 0;
        const bool found = TSoundex::SoundexFind(c.Search, c.Text, start, end);
        EXPECT_EQ(found ? static_cast<long>(start) : -1L, c.Start);
        EXPECT_EQ(found ? static_cast<long>(end) : -1L, c.End);
    }
}

} // namespace
