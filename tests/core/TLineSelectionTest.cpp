// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "presentation/TLineSelection.h"

namespace {

TMatchList OnLines(const std::vector<int>& lines)
{
    TMatchList matches;
    for (int line : lines)
        matches.emplace_back(line, 10, 1, 2);
    return matches;
}

// What a file of `lineCount` lines shows: written lines by number, "gapN" for a gap marker at
// line N, "stop" where reading ends before the end of the file.
std::string Trace(const TMatchList& matches, int window, bool wholeFile, int lineCount)
{
    TLineSelection selection(matches, window, wholeFile);
    std::string trace;
    const auto add = [&](const std::string& item) { trace += (trace.empty() ? "" : " ") + item; };
    for (int n = 1; n <= lineCount; ++n) {
        const TLineSelection::TStep step = selection.Next(n);
        if (step.GapMarker)
            add("gap" + std::to_string(n));
        if (step.WriteLine)
            add(std::to_string(n));
        if (step.StopReading) {
            add("stop");
            break;
        }
    }
    return trace;
}

TEST(TLineSelection, MatchesViewShowsTheWindowsAroundMatches)
{
    struct Case {
        const char* Name;
        std::vector<int> Lines;
        int Window;
        int LineCount;
        const char* Shown;
    };
    const Case cases[] = {
        {"separate windows", {5, 11}, 2, 30, "3 4 5 6 7 gap8 9 10 11 12 13 gap14 stop"},
        {"windows that touch", {5, 9}, 2, 30, "3 4 5 6 7 8 9 10 11 gap12 stop"},
        {"windows that overlap", {5, 7}, 2, 30, "3 4 5 6 7 8 9 gap10 stop"},
        {"W = 0: matching lines only, no gap markers", {3, 5}, 0, 30, "3 5 stop"},
        {"a window cut by the start of the file", {1}, 2, 30, "1 2 3 gap4 stop"},
        {"a window cut by the end of the file", {5}, 3, 6, "2 3 4 5 6"},
        {"two matches on one line", {4, 4}, 1, 30, "3 4 5 gap6 stop"},
        {"a negative window counts as 0", {2}, -3, 30, "2 stop"},
        {"a huge window does not overflow", {2}, INT_MAX, 5, "1 2 3 4 5"},
        {"no matches: nothing to show, nothing more to read", {}, 2, 30, "stop"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(Trace(OnLines(c.Lines), c.Window, false, c.LineCount), c.Shown);
    }
}

TEST(TLineSelection, WholeFileShowsEveryLine)
{
    EXPECT_EQ(Trace(OnLines({2, 9}), 1, true, 5), "1 2 3 4 5");
    EXPECT_EQ(Trace(OnLines({}), 0, true, 3), "1 2 3");
}

// The index handed to the line writer points at the first match that may lie on the line.
TEST(TLineSelection, FirstIndexFollowsTheMatches)
{
    const TMatchList matches = OnLines({2, 2, 4, 6});
    struct Case {
        bool WholeFile;
        int Window;
        std::vector<std::size_t> FirstIndex;  // for lines 1, 2, ...
    };
    const Case cases[] = {
        {true, 0, {0, 0, 2, 2, 3, 3, 4, 4}},
        {false, 1, {0, 0, 2, 2, 3, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.WholeFile);
        TLineSelection selection(matches, c.Window, c.WholeFile);
        for (std::size_t n = 1; n <= c.FirstIndex.size(); ++n)
            EXPECT_EQ(selection.Next(static_cast<int64_t>(n)).FirstIndex, c.FirstIndex[n - 1]) << "line " << n;
    }
}

} // namespace
