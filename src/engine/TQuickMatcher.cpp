// SPDX-License-Identifier: MIT
#include "engine/TQuickMatcher.h"

bool TQuickMatcher::Find(std::string_view text, std::size_t from, std::size_t& start, std::size_t& end) const
{
    start = Finder.Find(text, from);
    end = start + Finder.Size();
    return start != TLiteralFinder::npos;
}

bool TQuickMatcher::MayHold(std::string_view lines, std::size_t& position) const
{
    position = Finder.Find(lines);
    return position != TLiteralFinder::npos;
}
