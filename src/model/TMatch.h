#pragma once

#include <cstdint>
#include <vector>

// One recorded hit: the columns are 1-based columns of the whole line, EndPos exclusive.
// For a binary file LineNumber is the number of the 1025-byte block.
struct TMatch {
    TMatch(int32_t lineNumber, int32_t lineLength, int32_t startPos, int32_t endPos)
        : LineNumber(lineNumber), LineLength(lineLength), MatchLength(endPos - startPos),
          StartPos(startPos), EndPos(endPos) {}

    int32_t LineNumber;
    int32_t LineLength;
    int32_t MatchLength;
    int32_t StartPos;
    int32_t EndPos;

    friend bool operator==(const TMatch&, const TMatch&) = default;
};

// The matches of one file, in scan order: ascending line, then ascending position.
using TMatchList = std::vector<TMatch>;
