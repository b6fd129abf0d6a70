// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

// What a search looks for, in one of its forms (a regular expression, a plain text, literal
// alternatives, a Soundex code); chosen once per run. A matcher finds hits and says nothing of
// which of them count: the scanner applies the field, whole-word, empty-hit and invert rules.
class TMatcher {
public:
    virtual ~TMatcher() = default;

    // The leftmost hit of `text` that starts at or after `from`, as offsets of `text` (`end`
    // exclusive). A matcher that looks at context treats the text from `from` as a text of its
    // own: a regular expression's ^ matches there.
    virtual bool Find(std::string_view text, std::size_t from, std::size_t& start, std::size_t& end) const = 0;
    // Whether the whole lines `lines` may hold a hit. When true, `position` is a place in the
    // first line that may (0 when the matcher cannot tell). It may say yes wrongly, never no
    // wrongly.
    virtual bool MayHold(std::string_view lines, std::size_t& position) const = 0;
};
