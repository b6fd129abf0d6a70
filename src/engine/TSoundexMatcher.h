// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string_view>

#include "engine/TLiteralFinder.h"
#include "engine/TMatcher.h"
#include "engine/TSoundex.h"

// The words that sound like the search text: those of the same Soundex code.
class TSoundexMatcher : public TMatcher {
public:
    explicit TSoundexMatcher(std::string_view text);

    bool Find(std::string_view text, std::size_t from, std::size_t& start, std::size_t& end) const override;
    bool MayHold(std::string_view lines, std::size_t& position) const override;

private:
    TSoundexCode Code;
    std::optional<TLiteralFinder> FirstLetter; // the code's first letter, when it is one of A to Z
};
