// SPDX-License-Identifier: MIT
#pragma once

#include <compare>
#include <cstdint>
#include <vector>

// Where a line stands in its file, in reading order. A line longer than the reader takes at
// once comes in pieces that share its number; Piece counts them from 0, and is 0 for every
// line that comes whole.
struct TLinePlace {
    int64_t Line = 0;
    uint32_t Piece = 0;

    friend auto operator<=>(const TLinePlace&, const TLinePlace&) = default;
};

// One recorded hit: the columns are 1-based columns of the whole line (of the piece, for a line
// that comes in pieces), EndPos exclusive. For a binary file LineNumber is the number of the
// 1025-byte block.
struct TMatch {
    TMatch(int64_t lineNumber, int32_t lineLength, int32_t startPos, int32_t endPos, uint32_t piece = 0)
        : LineNumber(lineNumber), LineLength(lineLength), MatchLength(endPos - startPos),
          StartPos(startPos), EndPos(endPos), Piece(piece) {}

    TLinePlace Place() const { return {LineNumber, Piece}; }

    int64_t LineNumber;
    int32_t LineLength;
    int32_t MatchLength;
    int32_t StartPos;
    int32_t EndPos;
    uint32_t Piece;

    friend bool operator==(const TMatch&, const TMatch&) = default;
};

// The matches of one file, in scan order: ascending line, then ascending position.
using TMatchList = std::vector<TMatch>;
