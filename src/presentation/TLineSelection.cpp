// SPDX-License-Identifier: MIT
#include "presentation/TLineSelection.h"

TLineSelection::TLineSelection(const TMatchList& matches, int matchWindow, bool wholeFile)
    : Matches(matches), Window(matchWindow < 0 ? 0 : matchWindow), WholeFile(wholeFile)
{
}

TLineSelection::TStep TLineSelection::Next(int64_t lineNumber, uint32_t piece)
{
    if (piece > 0) {
        TStep step = Last;
        step.GapMarker = false;
        return step;
    }
    if (!WholeFile)
        return Last = NextInWindows(lineNumber);
    while (Index < Matches.size() && Matches[Index].LineNumber < lineNumber)
        ++Index;
    TStep step;
    step.WriteLine = true;
    step.FirstIndex = Index;
    return Last = step;
}

// The window arithmetic is done in 64 bits so that a huge window from the settings cannot
// overflow a line number.
TLineSelection::TStep TLineSelection::NextInWindows(int64_t n)
{
    TStep step;
    step.FirstIndex = Index;
    if (Matches.empty()) {
        // Nothing will ever be shown: the rest of the file need not be read.
        step.StopReading = true;
        return step;
    }
    if (Index < Matches.size()) {
        const int64_t next = Matches[Index].LineNumber;
        if (next - Window <= n && n < next) {
            step.WriteLine = true;  // context before a match
            return step;
        }
        if (next == n) {
            step.WriteLine = true;  // the matching line
            while (Index < Matches.size() && Matches[Index].LineNumber == n)
                ++Index;
            return step;
        }
    }
    if (Index > 0) {
        const int64_t previous = Matches[Index - 1].LineNumber;
        if (previous < n && n <= previous + Window) {
            step.WriteLine = true;  // context after a match
            return step;
        }
        if (n == previous + Window + 1) {
            step.GapMarker = Window > 0;
            step.StopReading = Index >= Matches.size();
            return step;
        }
    }
    return step;
}
