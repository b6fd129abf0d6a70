// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The one reading of the bytes of searched files, names and criteria as characters: a
// well-formed UTF-8 sequence is its character and every other byte is read as Windows-1252, so
// files of either kind, or of a mix, show correctly.
class TTextDecoder {
public:
    struct TChar {
        char32_t CodePoint = 0;
        std::size_t Length = 0; // bytes, 1 to 4; 0 where there is no such character
    };

    // The text for a person, always valid UTF-8.
    static std::string ToUtf8(std::string_view bytes);
    // The well-formed UTF-8 sequence at `at` (an ASCII byte is one of length 1), or Length 0;
    // overlong forms, surrogates and code points above U+10FFFF are not well-formed.
    static TChar Utf8At(std::string_view bytes, std::size_t at);
    // The character at `at` as the decoder reads it: the UTF-8 sequence there, or the byte there
    // read as Windows-1252. `at` must lie inside `bytes`.
    static TChar CharAt(std::string_view bytes, std::size_t at);
    // Length of the valid UTF-8 sequence at `at` (1 to 4), or 0 when the bytes there are not one.
    static std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at) { return Utf8At(bytes, at).Length; }
    // The code point a Windows-1252 byte stands for.
    static char32_t Windows1252(unsigned char byte);
    static void AppendUtf8(std::string& out, char32_t codePoint);
};
