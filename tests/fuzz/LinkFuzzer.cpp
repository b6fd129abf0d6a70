// SPDX-License-Identifier: MIT
// The match links of the results document, written and read back:
//  - any text at all, as the link text the pane reports or as an href the pane decodes, is read
//    without a crash, and a match link is read the same way by both readers;
//  - for any path bytes, line and column, the link text reads back as the same path, the line
//    (0 when negative) and the column (0 when negative, and no more than its first ten digits);
//  - the href a document holds, decoded as the pane decodes it, is that same link text; this is
//    checked on the attribute alone and on a real document line.
//
// The pane is modelled here without Qt: the document's bytes become text (valid UTF-8 as it is,
// any other byte as Windows-1252; a few characters it cannot hold become U+FFFD), the href value
// is the text between the quotes, its entities are resolved (the named ones the pane knows,
// decimal and hexadecimal references; a '&' that starts none stays), and the result is handed
// on as UTF-8.
//
// Input: the line (eight bytes), the column (eight bytes), then the path.

#include <stdlib.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "model/TMatch.h"
#include "model/TTextDecoder.h"
#include "presentation/THTMLLink.h"
#include "presentation/THTMLOptions.h"
#include "presentation/THTMLWin.h"
#include "presentation/TLinkAction.h"

#include "FuzzSupport.h"

namespace fs = std::filesystem;

namespace {

std::u32string CodePoints(std::string_view utf8)
{
    std::u32string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t length = TTextDecoder::Utf8SequenceLength(utf8, i);
        fuzz::Require(length > 0, "the decoded document is valid UTF-8");
        char32_t cp = static_cast<unsigned char>(utf8[i]) & (0x7F >> length);
        if (length == 1)
            cp = static_cast<unsigned char>(utf8[i]);
        for (std::size_t k = 1; k < length; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        out += cp;
        i += length;
    }
    return out;
}

std::string Utf8(std::u32string_view text)
{
    std::string out;
    for (const char32_t cp : text)
        TTextDecoder::AppendUtf8(out, cp);
    return out;
}

// The document's bytes as the pane's text.
std::u32string PaneDocumentText(std::string_view bytes)
{
    std::u32string text = CodePoints(TTextDecoder::ToUtf8(bytes));
    for (char32_t& c : text)
        if (c == 0 || c == 0x2028 || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFC)
            c = 0xFFFD;
    return text;
}

bool Digits(std::u32string_view text, int base, uint32_t& value)
{
    if (text.empty())
        return false;
    uint64_t total = 0;
    for (const char32_t c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<int>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<int>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<int>(c - 'A' + 10);
        else
            return false;
        total = total * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (total > UINT32_MAX)
            return false;
    }
    value = static_cast<uint32_t>(total);
    return true;
}

bool SameLetters(std::u32string_view text, std::string_view name)
{
    if (text.size() != name.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        if (c != static_cast<char32_t>(name[i]))
            return false;
    }
    return true;
}

// An attribute value with its entities resolved.
std::u32string DecodeEntities(std::u32string_view text)
{
    static const std::pair<std::string_view, char32_t> Named[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0},
    };
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '&') {
            out += text[i++];
            continue;
        }
        const std::size_t semicolon = text.find(U';', i + 1);
        char32_t code = 0;
        if (semicolon != std::u32string_view::npos && semicolon - i <= 10) {
            const std::u32string_view name = text.substr(i + 1, semicolon - i - 1);
            if (name.size() > 1 && name[0] == '#') {
                const bool hex = name[1] == 'x' || name[1] == 'X';
                uint32_t value = 0;
                if (Digits(name.substr(hex ? 2 : 1), hex ? 16 : 10, value))
                    code = value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF) ? 0xFFFD : value;
            } else {
                for (const auto& [entity, character] : Named)
                    if (SameLetters(name, entity))
                        code = character;
            }
        }
        if (code == 0) {
            out += '&';
            ++i;
        } else {
            out += code;
            i = semicolon + 1;
        }
    }
    return out;
}

// The link text the pane reports for an href written as `attribute` (the bytes between the
// quotes of a document).
std::string ReportedLink(std::string_view attribute)
{
    return Utf8(DecodeEntities(PaneDocumentText(attribute)));
}

// The column as a link reads it back: the number at the start of its first ten characters.
int64_t ColumnReadBack(int64_t column)
{
    if (column <= 0)
        return 0;
    const std::string text = std::to_string(column).substr(0, 10);
    int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

void CheckAnyText(std::string_view text)
{
    THTMLLink::TMatchTarget target;
    const bool openFile = THTMLLink::ParseOpenFile(text, target);
    if (openFile) {
        fuzz::Require(target.Line >= 0 && target.Column >= 0, "a link's numbers are never negative");
        fuzz::Require(target.Column <= 9999999999, "a link's column has at most ten digits");
    }
    const TLinkAction action = TLinkAction::Parse(text);
    fuzz::Require(action.Link == text, "the action keeps the link's text");
    if (openFile) {
        fuzz::Require(action.Kind == TLinkAction::TKind::OpenFile, "a match link is an open-file action");
        fuzz::Require(action.Target == target, "both readers read a match link alike");
    }
    if (action.Kind == TLinkAction::TKind::MatchWindow)
        fuzz::Require(action.MatchWindow >= 0 && action.MatchWindow <= 9, "a match window is one digit");
    THTMLOptions options;
    int32_t window = -1;
    fuzz::Require(action.Apply(options, window) == action.ChangesView(), "only view links change the view");
}

void CheckRoundTrip(std::string_view path, int64_t line, int64_t column)
{
    const THTMLLink::TMatchTarget expected{std::string(path), line > 0 ? line : 0, ColumnReadBack(column)};
    const std::string link = THTMLLink::OpenFileLink(path, line, column);
    THTMLLink::TMatchTarget target;
    fuzz::Require(THTMLLink::ParseOpenFile(link, target), "a written link is a match link");
    fuzz::Require(target == expected, "a written link reads back as its path, line and column");
    const TLinkAction action = TLinkAction::Parse(link);
    fuzz::Require(action.Kind == TLinkAction::TKind::OpenFile && action.Target == expected,
            "a written link is an open-file action on its path, line and column");

    if (THTMLLink::NeedsEscapedPath(path)) {
        fuzz::Require(link.starts_with("openfile%?"), "a fragile path is written escaped");
        for (const char c : link)
            fuzz::Require(c >= 0x20 && c < 0x7F, "an escaped link is printable ASCII");
    } else {
        fuzz::Require(link == "openfile?" + std::string(path) + "&" + std::to_string(line) + "|" + std::to_string(column),
                "an ordinary path stands in its link as it is");
    }

    std::string attribute;
    THTMLLink::AppendOpenFileAttribute(attribute, path, line, column);
    fuzz::Require(attribute.find('"') == std::string::npos, "an href value holds no quote");
    fuzz::Require(ReportedLink(attribute) == link, "the pane reports the href as the link text");
}

// One line of a real document with a match link on `path`, read back from the document file.
void CheckDocument(std::string_view path, int32_t line, int32_t column)
{
    const std::string folder = fuzz::Root("linkfuzz") + "/doc";
    std::error_code error;
    fs::create_directories(folder, error);
    std::string document;
    {
        THTMLWin html(nullptr, "/opt/quarnel");
        html.TempFolder = folder;
        html.BeginDocument();
        // A line whose match starts at `column` and runs to the line's end.
        const std::string lineText = std::string(static_cast<std::size_t>(column - 1), 'x') + "cat";
        html.WriteFileLine(lineText, line, {TMatch(line, static_cast<int32_t>(lineText.size()), column, column + 3)}, 0,
                           path);
        html.FinishDocument();
        std::ifstream in(html.DocumentFileName(), std::ios::binary);
        document.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::u32string text = PaneDocumentText(document);
    const std::u32string_view opening = U"<a href=\"";
    const std::size_t start = text.find(opening);
    fuzz::Require(start != std::u32string::npos, "the document holds the match link");
    const std::size_t valueStart = start + opening.size();
    const std::size_t close = text.find(U'"', valueStart);
    fuzz::Require(close != std::u32string::npos, "the href is closed");
    const std::string link = Utf8(DecodeEntities(std::u32string_view(text).substr(valueStart, close - valueStart)));
    THTMLLink::TMatchTarget target;
    fuzz::Require(THTMLLink::ParseOpenFile(link, target), "the document's link is a match link");
    fuzz::Require(target == (THTMLLink::TMatchTarget{std::string(path), line, column}),
            "the document's link reads back as its path, line and column");
}

int64_t Int64At(const uint8_t* data)
{
    uint64_t value = 0;
    std::memcpy(&value, data, sizeof value);
    return static_cast<int64_t>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckAnyText(bytes);
    CheckAnyText(ReportedLink(bytes));
    if (size < 16)
        return 0;
    const int64_t line = Int64At(data);
    const int64_t column = Int64At(data + 8);
    const std::string_view path = bytes.substr(16);
    CheckRoundTrip(path, line, column);
    // Small numbers matter most; the extremes of both fields come from the raw values above.
    CheckRoundTrip(path, line & 0xFFFF, column & 0xFF);
    const auto documentLine = static_cast<int32_t>((line & 0x7FFFFFFF) | 1);
    const auto documentColumn = static_cast<int32_t>((column & 0x3F) + 1);
    CheckDocument(path, documentLine, documentColumn);
    return 0;
}
