// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string_view>

#include "engine/TLiteralFinder.h"
#include "engine/TMatcher.h"
#include "engine/TRep.h"

// A regular expression, compiled once. Its pattern stays reachable for the scanner's buffer
// programs and for its error.
class TRegexMatcher : public TMatcher {
public:
    // A required literal at least `minLiteral` long becomes the buffer check.
    TRegexMatcher(std::string_view pattern, bool foldCase, std::size_t minLiteral);

    bool Find(std::string_view text, std::size_t from, std::size_t& start, std::size_t& end) const override;
    // By the required literal when there is one, else by the buffer program once
    // PrepareLineSearch has made it.
    bool MayHold(std::string_view lines, std::size_t& position) const override;

    bool HasRequiredText() const { return RequiredText.has_value(); }
    bool PrepareLineSearch(bool anchorsAtLineEnds);
    TRep& Pattern() { return Rep; }
    const TRep& Pattern() const { return Rep; }

private:
    TRep Rep;
    std::optional<TLiteralFinder> RequiredText; // a literal every hit holds
    bool LinesPrepared = false;
};
