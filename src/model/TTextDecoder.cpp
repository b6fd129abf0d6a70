// SPDX-License-Identifier: MIT
#include "model/TTextDecoder.h"

namespace {

// Windows-1252 bytes 0x80-0x9F; the five bytes it leaves undefined stand for themselves.
constexpr char16_t HighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

char32_t TTextDecoder::Windows1252(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return HighControls[byte - 0x80];
    return byte;
}

TTextDecoder::TChar TTextDecoder::Utf8At(std::string_view bytes, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length;
    char32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        min = 0x10000;
    } else {
        return {};
    }
    if (at + length > bytes.size())
        return {};
    char32_t cp = lead & (0x3F >> (length - 1));
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char c = byte(at + i);
        if ((c & 0xC0) != 0x80)
            return {};
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return {};
    return {cp, length};
}

TTextDecoder::TChar TTextDecoder::CharAt(std::string_view bytes, std::size_t at)
{
    const TChar utf8 = Utf8At(bytes, at);
    return utf8.Length ? utf8 : TChar{Windows1252(static_cast<unsigned char>(bytes[at])), 1};
}

void TTextDecoder::AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string TTextDecoder::ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const TChar c = Utf8At(bytes, i);
        if (c.Length > 0) {
            out.append(bytes.data() + i, c.Length);
            i += c.Length;
        } else {
            AppendUtf8(out, Windows1252(static_cast<unsigned char>(bytes[i])));
            ++i;
        }
    }
    return out;
}
