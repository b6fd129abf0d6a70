// SPDX-License-Identifier: MIT
#include "presentation/TFileListPrintout.h"

#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TTextDecoder.h"
#include "presentation/TFileListColumns.h"

namespace {

constexpr std::string_view Ellipsis = "...";

// Byte length of the character at `at`: a whole UTF-8 sequence, or one byte.
std::size_t CharacterLength(std::string_view text, std::size_t at)
{
    const std::size_t length = TTextDecoder::Utf8SequenceLength(text, at);
    return length > 0 ? length : 1;
}

// The first `count` characters of `text` (all of it when it is shorter).
std::string_view Prefix(std::string_view text, std::size_t count)
{
    std::size_t at = 0;
    for (std::size_t n = 0; n < count && at < text.size(); ++n)
        at += CharacterLength(text, at);
    return text.substr(0, at);
}

enum class TAlign { Left, Right };

// `text` padded with blanks to `width` characters; a longer text stays whole.
void AppendField(std::string& line, std::string_view text, std::size_t width, TAlign align)
{
    const std::size_t length = TFileListPrintout::CharacterCount(text);
    const std::size_t padding = length < width ? width - length : 0;
    if (align == TAlign::Right)
        line.append(padding, ' ');
    line += text;
    if (align == TAlign::Left)
        line.append(padding, ' ');
}

} // namespace

std::vector<std::string> TFileListPrintout::Lines(const TFileList& files, std::string_view summary)
{
    std::vector<std::string> lines;
    lines.reserve(4 + files.Count() + files.Count() / GroupSize);
    lines.emplace_back(Title);
    lines.emplace_back(BlankLine);
    lines.emplace_back(summary);
    lines.emplace_back(BlankLine);
    for (std::size_t i = 0; i < files.Count(); ++i) {
        lines.push_back(Row(files.Item(i)));
        if ((i + 1) % GroupSize == 0)
            lines.emplace_back(BlankLine);
    }
    return lines;
}

std::string TFileListPrintout::Row(const TFileData& record)
{
    using C = TFileListColumns;
    const auto text = [&record](int column) { return C::Text(record, column); };

    // Name, T, type and folder left-aligned; matches and size right-aligned in 10 and 9
    // characters; three blanks before the date.
    std::string line;
    AppendField(line, TruncateWithEllipsis(text(C::Name), NameWidth), NameWidth, TAlign::Left);
    line += ' ';
    AppendField(line, text(C::TextOrBinary), 1, TAlign::Left);
    line += ' ';
    AppendField(line, TruncateWithEllipsis(text(C::Type), TypeWidth), TypeWidth, TAlign::Left);
    line += ' ';
    AppendField(line, TruncateWithEllipsis(text(C::Folder), FolderWidth), FolderWidth, TAlign::Left);
    line += ' ';
    AppendField(line, text(C::Matches), 10, TAlign::Right);
    line += ' ';
    AppendField(line, text(C::Size), 9, TAlign::Right);
    line += "   ";
    AppendField(line, text(C::DateTime), 17, TAlign::Left);
    return line;
}

std::string TFileListPrintout::TruncateWithEllipsis(std::string_view text, std::size_t width)
{
    if (CharacterCount(text) <= width)
        return std::string(text);
    if (width < Ellipsis.size())
        return std::string(Ellipsis.substr(0, width));
    std::string cut(Prefix(text, width - Ellipsis.size()));
    cut += Ellipsis;
    return cut;
}

std::size_t TFileListPrintout::CharacterCount(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); at += CharacterLength(text, at))
        ++count;
    return count;
}
