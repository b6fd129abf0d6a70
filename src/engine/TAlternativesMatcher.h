// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/TLiteralFinder.h"
#include "engine/TMatcher.h"

// A pattern made of literal alternatives (a|bc|d), matched by finding them, without the
// regular-expression engine. At the first place where an alternative occurs, the first
// alternative found there wins.
class TAlternativesMatcher : public TMatcher {
public:
    // The most alternatives whose next places are remembered between finds.
    static constexpr std::size_t MaxRemembered = 8;

    TAlternativesMatcher(const std::vector<std::string>& alternatives, bool foldCase);

    // Each alternative's next place is kept until a find passes it, so that a line with many
    // hits of one alternative is not searched to its end again for the others: finds in one
    // text with rising `from` cost no more than one pass per alternative. A find from 0 starts
    // afresh. The memory belongs to this object, which is used by one thread at a time.
    bool Find(std::string_view text, std::size_t from, std::size_t& start, std::size_t& end) const override;
    bool MayHold(std::string_view lines, std::size_t& position) const override;

    const std::vector<TLiteralFinder>& Literals() const { return Alternatives; }

private:
    std::vector<TLiteralFinder> Alternatives;
    // The text the remembered places are of, and the `from` of the last find in it.
    mutable const char* Text = nullptr;
    mutable std::size_t TextSize = 0;
    mutable std::size_t LastFrom = 0;
    mutable std::vector<std::size_t> Next;
};
