// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/TMatch.h"

// Decides, line by line, which lines of a file its section of the results document shows.
//
// The whole-file view shows every line. The matches view shows each matching line with the
// `matchWindow` lines before and after it; where a window ends and the next does not follow at
// once, a gap marker stands for the hidden lines, and reading ends at the line after the window
// of the last match. A file without matches shows no lines in the matches view.
//
// Lines are given in order, 1, 2, 3 and so on; the pieces of a line too long to be read whole
// follow each other with the line's number, and each is shown when its line is. The match list
// must stay alive and unchanged while the selection is used, and is expected in scan order
// (ascending lines).
class TLineSelection {
public:
    struct TStep {
        bool GapMarker = false;    // write a gap marker for this line (before anything else)
        bool WriteLine = false;    // write this line
        bool StopReading = false;  // nothing more of the file is shown: stop after this step
        std::size_t FirstIndex = 0;  // index of the first match that may lie on this line
    };

    // A negative window counts as 0.
    TLineSelection(const TMatchList& matches, int matchWindow, bool wholeFile);

    TStep Next(int64_t lineNumber, uint32_t piece = 0);

private:
    TStep NextInWindows(int64_t n);

    const TMatchList& Matches;
    int64_t Window;
    bool WholeFile;
    std::size_t Index = 0;
    TStep Last;  // the step of the line's first piece
};
