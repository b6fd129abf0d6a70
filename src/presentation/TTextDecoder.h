#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Turns the bytes of a searched file into text for a person: valid UTF-8 stays as it is and
// every other byte is read as Windows-1252, so files of either kind show correctly. The result
// is always valid UTF-8.
class TTextDecoder {
public:
    static std::string ToUtf8(std::string_view bytes);
    // Length of the valid UTF-8 sequence at `at` (1 to 4), or 0 when the bytes there are not one.
    static std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at);
    // The code point a Windows-1252 byte stands for.
    static char32_t Windows1252(unsigned char byte);
    static void AppendUtf8(std::string& out, char32_t codePoint);
};
