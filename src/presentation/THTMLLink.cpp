// SPDX-License-Identifier: MIT
#include "presentation/THTMLLink.h"

#include <charconv>

#include "model/TTextDecoder.h"
#include "presentation/THTMLEscape.h"

namespace {

constexpr std::string_view OpenFilePrefix = "openfile";
constexpr std::string_view PlainMark = "?";
constexpr std::string_view EscapedMark = "%?";
constexpr char HexDigits[] = "0123456789ABCDEF";

int64_t Number(std::string_view text)
{
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    return error == std::errc() && value > 0 ? value : 0;
}

char32_t CodePoint(std::string_view bytes, std::size_t at, std::size_t length)
{
    char32_t cp = static_cast<unsigned char>(bytes[at]) & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(bytes[at + i]) & 0x3F);
    return cp;
}

// Characters that a text document does not keep as they are: C1 controls, the line and
// paragraph separators, the object replacement character and the noncharacters.
bool IsFragile(char32_t cp)
{
    return (cp >= 0x80 && cp < 0xA0) || cp == 0x2028 || cp == 0x2029 || cp == 0xFFFC ||
           (cp >= 0xFDD0 && cp <= 0xFDEF) || (cp & 0xFFFE) == 0xFFFE;
}

bool IsPrintableAscii(unsigned char byte)
{
    return byte >= 0x20 && byte < 0x7F;
}

std::string EscapedPath(std::string_view path)
{
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const auto byte = static_cast<unsigned char>(ch);
        if (IsPrintableAscii(byte) && byte != '%') {
            out += ch;
        } else {
            out += '%';
            out += HexDigits[byte >> 4];
            out += HexDigits[byte & 0x0F];
        }
    }
    return out;
}

int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

// "%XX" becomes its byte; a '%' that starts no such triple stands for itself.
std::string UnescapedPath(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Position(int64_t line, int64_t column)
{
    return "&" + std::to_string(line) + "|" + std::to_string(column);
}

}

bool THTMLLink::NeedsEscapedPath(std::string_view path)
{
    for (std::size_t i = 0; i < path.size();) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (byte < 0x80) {
            if (!IsPrintableAscii(byte))
                return true;
            ++i;
            continue;
        }
        const std::size_t length = TTextDecoder::Utf8SequenceLength(path, i);
        if (length == 0 || IsFragile(CodePoint(path, i, length)))
            return true;
        i += length;
    }
    return false;
}

std::string THTMLLink::OpenFileLink(std::string_view path, int64_t line, int64_t column)
{
    std::string link(OpenFilePrefix);
    if (NeedsEscapedPath(path))
        link.append(EscapedMark).append(EscapedPath(path));
    else
        link.append(PlainMark).append(path);
    return link + Position(line, column);
}

// The path is escaped like every other text: a '"' in a file name would otherwise end the
// attribute and let the name inject markup into the document. The pane decodes the entities,
// so the link text it reports holds the path as it is.
void THTMLLink::AppendOpenFileAttribute(std::string& out, std::string_view path, int64_t line, int64_t column)
{
    out.append(OpenFilePrefix);
    if (NeedsEscapedPath(path)) {
        out.append(EscapedMark);
        THTMLEscape::Append(out, EscapedPath(path));
    } else {
        out.append(PlainMark);
        THTMLEscape::Append(out, path);
    }
    out += Position(line, column);
}

bool THTMLLink::ParseOpenFile(std::string_view link, TMatchTarget& target)
{
    if (!link.starts_with(OpenFilePrefix))
        return false;
    const std::size_t query = link.find('?');
    const std::size_t amp = link.rfind('&');
    if (query == std::string_view::npos || amp == std::string_view::npos || amp < query)
        return false;
    const std::size_t bar = link.find('|', amp);
    if (bar == std::string_view::npos)
        return false;
    const std::string_view path = link.substr(query + 1, amp - query - 1);
    const bool escaped = link.substr(OpenFilePrefix.size(), query + 1 - OpenFilePrefix.size()) == EscapedMark;
    target.Path = escaped ? UnescapedPath(path) : std::string(path);
    target.Line = Number(link.substr(amp + 1, bar - amp - 1));
    target.Column = Number(link.substr(bar + 1, 10));
    return true;
}

int THTMLLink::MatchWindowOf(std::string_view link)
{
    if (link.size() < 4 || !link.starts_with("SMW") || link[3] < '0' || link[3] > '9')
        return -1;
    return link[3] - '0';
}
