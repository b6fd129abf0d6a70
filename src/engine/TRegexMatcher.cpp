// SPDX-License-Identifier: MIT
#include "engine/TRegexMatcher.h"

#include <string>

TRegexMatcher::TRegexMatcher(std::string_view pattern, bool foldCase, std::size_t minLiteral) : Rep(pattern, foldCase)
{
    if (!Rep.IsValid())
        return;
    const std::string literal = Rep.RequiredLiteral();
    if (literal.size() >= minLiteral)
        RequiredText.emplace(literal, foldCase);
}

bool TRegexMatcher::Find(std::string_view text, std::size_t from, std::size_t& start, std::size_t& end) const
{
    if (!Rep.IsValid() || !Rep.Find(text.substr(from), start, end))
        return false;
    start += from;
    end += from;
    return true;
}

bool TRegexMatcher::PrepareLineSearch(bool anchorsAtLineEnds)
{
    LinesPrepared = Rep.PrepareLineSearch(anchorsAtLineEnds);
    return LinesPrepared;
}

bool TRegexMatcher::MayHold(std::string_view lines, std::size_t& position) const
{
    if (RequiredText) {
        position = RequiredText->Find(lines);
        return position != TLiteralFinder::npos;
    }
    if (LinesPrepared)
        return Rep.FindInLines(lines, position);
    position = 0;
    return true;
}
