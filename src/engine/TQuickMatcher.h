// SPDX-License-Identifier: MIT
#pragma once

#include "engine/TLiteralFinder.h"
#include "engine/TMatcher.h"

// A plain text, found with the ASCII letters folded.
class TQuickMatcher : public TMatcher {
public:
    explicit TQuickMatcher(std::string_view text) : Finder(text, true) {}

    bool Find(std::string_view text, std::size_t from, std::size_t& start, std::size_t& end) const override;
    bool MayHold(std::string_view lines, std::size_t& position) const override;
    // An empty text is found nowhere.
    bool Empty() const { return Finder.Empty(); }

private:
    TLiteralFinder Finder;
};
