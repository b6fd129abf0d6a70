// SPDX-License-Identifier: MIT
#include "presentation/TLineLayout.h"

#include <algorithm>

#include "model/TTextDecoder.h"

namespace {

// The part of `line` from byte `from` for `count` bytes, cut to the line.
std::string_view Part(std::string_view line, std::size_t from, std::size_t count)
{
    if (from >= line.size())
        return {};
    return line.substr(from, count);
}

// A 1-based column as a byte offset into a line of `size` bytes.
std::size_t Offset(int32_t column, std::size_t size)
{
    if (column <= 1)
        return 0;
    return std::min<std::size_t>(static_cast<std::size_t>(column) - 1, size);
}

// At most TailLimit bytes of `line` from `from`. A UTF-8 character that the limit would cut in
// two is left out whole, so the pane never shows half a character as a stray symbol.
std::string_view Tail(std::string_view line, std::size_t from)
{
    const std::string_view rest = Part(line, from, std::string_view::npos);
    if (rest.size() <= TLineLayout::TailLimit)
        return rest;
    std::size_t cut = TLineLayout::TailLimit;
    for (std::size_t back = 1; back <= 3; ++back) {
        const std::size_t start = cut - back;
        if ((static_cast<unsigned char>(rest[start]) & 0xC0) != 0x80) {
            if (TTextDecoder::Utf8SequenceLength(rest, start) > back)
                cut = start;
            break;
        }
    }
    return rest.substr(0, cut);
}

} // namespace

TLineLayout::TLineLayout(std::string_view lineText, TLinePlace place, const TMatchList& matches, std::size_t firstIndex)
    : Line(lineText), Matches(matches)
{
    First = std::min(firstIndex, matches.size());
    while (First < matches.size() && matches[First].Place() < place)
        ++First;
    Last = First;
    while (Last < matches.size() && matches[Last].Place() == place)
        ++Last;
}

std::string_view TLineLayout::MatchText(const TMatch& match) const
{
    const std::size_t start = Offset(match.StartPos, Line.size());
    return Part(Line, start, match.MatchLength > 0 ? static_cast<std::size_t>(match.MatchLength) : 0);
}

std::vector<TLineLayout::TRun> TLineLayout::Runs() const
{
    std::vector<TRun> runs;
    std::size_t position = 0;
    for (const TMatch& match : *this) {
        const std::size_t start = Offset(match.StartPos, Line.size());
        if (start > position)
            runs.push_back({Line.substr(position, start - position), nullptr});
        runs.push_back({MatchText(match), &match});
        position = std::max(position, Offset(match.EndPos, Line.size()));
    }
    const std::string_view tail = Tail(Line, position);
    if (!tail.empty())
        runs.push_back({tail, nullptr});
    return runs;
}
