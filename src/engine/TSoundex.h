// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class TLiteralFinder;

// The sound code of a word: its first character in upper case (ASCII letters are upper-cased,
// every other character is kept as it is) and up to three digit values 1 to 6, unused places 0.
// The first character is held as a whole code point so that words beginning with different
// multi-byte letters never share a code.
struct TSoundexCode {
    uint32_t First = 0;
    uint8_t Digits[3] = {0, 0, 0};

    friend bool operator==(const TSoundexCode&, const TSoundexCode&) = default;
};

// Soundex matching: a word of a text matches when its sound code equals the search string's.
// Words are maximal runs of letters by the letter test (TLetterTest.h).
class TSoundex {
public:
    // The code of a whole text (a word, or a search string with whatever it holds).
    static TSoundexCode SoundexCode(std::string_view word);

    // From `from`, skips characters that are not letters. False when the end of the text or a
    // line feed comes first; otherwise gives the word's offset and length, and `next`, the
    // offset just after it.
    static bool NextWord(std::string_view text, std::size_t from, std::size_t& wordStart,
                         std::size_t& wordLength, std::size_t& next);

    // The first word of `text` whose code equals that of `searchString`: its start offset and
    // its end offset (exclusive).
    static bool SoundexFind(std::string_view searchString, std::string_view text, std::size_t& start,
                            std::size_t& end);
    // The same with the search string's code worked out once.
    static bool SoundexFind(const TSoundexCode& code, std::string_view text, std::size_t& start,
                            std::size_t& end);
    // The same over a buffer of whole lines, where a line feed ends a word but not the search:
    // the first hit of the buffer is the first hit of its first line that has one.
    // `firstLetters`, when given, finds code.First in either case (an ASCII letter), so that
    // the search can jump from one possible word start to the next.
    static bool SoundexFindInLines(const TSoundexCode& code, std::string_view lines, std::size_t& start,
                                   std::size_t& end, const TLiteralFinder* firstLetters = nullptr);
};
