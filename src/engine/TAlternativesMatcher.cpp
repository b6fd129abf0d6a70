// SPDX-License-Identifier: MIT
#include "engine/TAlternativesMatcher.h"

#include <algorithm>

namespace {

constexpr std::size_t Unknown = TLiteralFinder::npos - 1;

} // namespace

TAlternativesMatcher::TAlternativesMatcher(const std::vector<std::string>& alternatives, bool foldCase)
{
    for (const std::string& text : alternatives)
        Alternatives.emplace_back(text, foldCase);
    Next.assign(Alternatives.size(), Unknown);
}

bool TAlternativesMatcher::Find(std::string_view text, std::size_t from, std::size_t& start, std::size_t& end) const
{
    const bool remember = Alternatives.size() <= MaxRemembered;
    if (remember && (from == 0 || text.data() != Text || text.size() != TextSize || from < LastFrom)) {
        std::fill(Next.begin(), Next.end(), Unknown);
        Text = text.data();
        TextSize = text.size();
    }
    LastFrom = from;
    std::size_t at = TLiteralFinder::npos, size = 0;
    for (std::size_t i = 0; i < Alternatives.size(); ++i) {
        std::size_t place;
        if (!remember) {
            place = Alternatives[i].Find(text, from);
        } else {
            if (Next[i] == Unknown || (Next[i] != TLiteralFinder::npos && Next[i] < from))
                Next[i] = Alternatives[i].Find(text, from);
            place = Next[i];
        }
        if (place < at) {
            at = place;
            size = Alternatives[i].Size();
        }
    }
    start = at;
    end = at + size;
    return at != TLiteralFinder::npos;
}

bool TAlternativesMatcher::MayHold(std::string_view, std::size_t& position) const
{
    position = 0;
    return true;
}
