// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "model/TMatch.h"

// What a file's search pushes its results into, line by line. The searcher calls Line for
// every line (or piece of a long line) that holds hits, in reading order; with an inverted
// search, for every line that holds none. A sink lives on the thread of its searcher.
class TLineSink {
public:
    virtual ~TLineSink() = default;

    // `text` is the line without its line end (for a binary file: the block as searched) and
    // is valid only during the call; `hits` are its matches, left to right. False ends the
    // file's search.
    virtual bool Line(int64_t number, uint32_t piece, std::string_view text, std::span<const TMatch> hits) = 0;
    // A chance for the owner to handle a pending event (a window repaints); called between
    // lines and between buffers passed over. Must return quickly. Does nothing unless replaced.
    virtual void Pending() {}
};
