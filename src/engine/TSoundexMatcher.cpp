// SPDX-License-Identifier: MIT
#include "engine/TSoundexMatcher.h"

#include <string>

TSoundexMatcher::TSoundexMatcher(std::string_view text) : Code(TSoundex::SoundexCode(text))
{
    if (Code.First >= 'A' && Code.First <= 'Z')
        FirstLetter.emplace(std::string(1, static_cast<char>(Code.First)), true);
}

bool TSoundexMatcher::Find(std::string_view text, std::size_t from, std::size_t& start, std::size_t& end) const
{
    if (from >= text.size() || !TSoundex::SoundexFind(Code, text.substr(from), start, end))
        return false;
    start += from;
    end += from;
    return true;
}

bool TSoundexMatcher::MayHold(std::string_view lines, std::size_t& position) const
{
    std::size_t end;
    return TSoundex::SoundexFindInLines(Code, lines, position, end, FirstLetter ? &*FirstLetter : nullptr);
}
