// SPDX-License-Identifier: MIT
#include "engine/TSoundex.h"

#include "engine/TLetterTest.h"
#include "engine/TLiteralFinder.h"

namespace {

// Digit values of the upper-case letters A to Z.
constexpr uint8_t LetterValue[26] = {
    0, 1, 2, 3, 0, 1, 2, 0, 0, 2, 2, 4, 5, // A B C D E F G H I J K L M
    5, 0, 1, 2, 6, 2, 3, 0, 1, 0, 2, 0, 2, // N O P Q R S T U V W X Y Z
};

inline uint32_t UpperAscii(uint32_t cp)
{
    return (cp >= 'a' && cp <= 'z') ? cp - 32 : cp;
}

inline uint8_t ValueOf(uint32_t upper)
{
    return (upper >= 'A' && upper <= 'Z') ? LetterValue[upper - 'A'] : 0;
}

// The words of `text` in turn, as NextWord gives them, until one has `code`. Most words differ
// from the code in their first letter, so the digits are worked out only for the others.
template <bool StopAtLineFeed>
bool FindWord(const TSoundexCode& code, std::string_view text, std::size_t& start, std::size_t& end)
{
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t at = 0;
    for (;;) {
        // Up to the next letter.
        TCharInfo c;
        for (;;) {
            if (at >= size)
                return false;
            const unsigned char b = data[at];
            if (b < 0x80) {
                if (LetterTest::IsAsciiLetter(b)) {
                    c = {b, 1, true};
                    break;
                }
                if (StopAtLineFeed && b == '\n')
                    return false;
                ++at;
                continue;
            }
            c = LetterTest::DecodeAt(text, at);
            if (c.IsLetter)
                break;
            at += c.Length;
        }
        const std::size_t wordStart = at;
        at += c.Length;
        // Over the rest of the word.
        while (at < size) {
            const unsigned char b = data[at];
            if (b < 0x80) {
                if (!LetterTest::IsAsciiLetter(b))
                    break;
                ++at;
                continue;
            }
            const TCharInfo next = LetterTest::DecodeAt(text, at);
            if (!next.IsLetter)
                break;
            at += next.Length;
        }
        if (UpperAscii(c.CodePoint) == code.First &&
            TSoundex::SoundexCode(text.substr(wordStart, at - wordStart)) == code) {
            start = wordStart;
            end = at;
            return true;
        }
    }
}

} // namespace

TSoundexCode TSoundex::SoundexCode(std::string_view word)
{
    TSoundexCode code;
    if (word.empty())
        return code;
    TCharInfo c = CharAt(word, 0);
    code.First = UpperAscii(c.CodePoint);

    // The first character never gives a value and is never compared with the one after it.
    std::size_t at = c.Length;
    if (at >= word.size())
        return code;
    c = CharAt(word, at);
    int p = 0;
    while (p < 3) {
        const uint32_t upper = UpperAscii(c.CodePoint);
        const std::size_t after = at + c.Length;
        if (after >= word.size()) {
            if (const uint8_t v = ValueOf(upper))
                code.Digits[p] = v;
            break;
        }
        const TCharInfo next = CharAt(word, after);
        // A run of equal characters counts once, through its last character.
        if (UpperAscii(next.CodePoint) != upper) {
            if (const uint8_t v = ValueOf(upper))
                code.Digits[p++] = v;
        }
        at = after;
        c = next;
    }
    return code;
}

bool TSoundex::NextWord(std::string_view text, std::size_t from, std::size_t& wordStart,
                        std::size_t& wordLength, std::size_t& next)
{
    std::size_t at = from;
    for (;;) {
        if (at >= text.size() || text[at] == '\n')
            return false;
        const TCharInfo c = CharAt(text, at);
        if (c.IsLetter)
            break;
        at += c.Length;
    }
    wordStart = at;
    while (at < text.size()) {
        const TCharInfo c = CharAt(text, at);
        if (!c.IsLetter)
            break;
        at += c.Length;
    }
    wordLength = at - wordStart;
    next = at;
    return true;
}

bool TSoundex::SoundexFind(std::string_view searchString, std::string_view text, std::size_t& start,
                           std::size_t& end)
{
    return SoundexFind(SoundexCode(searchString), text, start, end);
}

bool TSoundex::SoundexFind(const TSoundexCode& code, std::string_view text, std::size_t& start,
                           std::size_t& end)
{
    return FindWord<true>(code, text, start, end);
}

bool TSoundex::SoundexFindInLines(const TSoundexCode& code, std::string_view lines, std::size_t& start,
                                  std::size_t& end, const TLiteralFinder* firstLetters)
{
    if (!firstLetters)
        return FindWord<false>(code, lines, start, end);
    // Only a word that begins with the code's first letter can match: go from one occurrence of
    // that letter to the next, and look at it when it starts a word. Before an ASCII letter the
    // forward reading of the text always has a character boundary, so looking back finds the
    // same character that NextWord would have met.
    std::size_t from = 0, at;
    while ((at = firstLetters->Find(lines, from)) != TLiteralFinder::npos) {
        if (at > 0 && CharBefore(lines, at).IsLetter) {
            from = at + 1;
            continue;
        }
        std::size_t wordEnd = at + 1;
        while (wordEnd < lines.size()) {
            const TCharInfo c = CharAt(lines, wordEnd);
            if (!c.IsLetter)
                break;
            wordEnd += c.Length;
        }
        if (SoundexCode(lines.substr(at, wordEnd - at)) == code) {
            start = at;
            end = wordEnd;
            return true;
        }
        from = wordEnd;
    }
    return false;
}
