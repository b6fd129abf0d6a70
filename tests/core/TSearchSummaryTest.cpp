// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "model/TSearchData.h"
#include "model/TSearchStats.h"
#include "presentation/TSearchSummary.h"

namespace {

TEST(TSearchSummary, ResultLine)
{
    struct Case {
        uint32_t Matches, Matched, Searched, Skipped;
        const char* Expected;
    };
    const Case cases[] = {
        {3, 1, 10, 0, "'abc' in *.txt, \"my docs\": 3 matches in 1 file. 10 files searched. 0 files skipped."},
        {1, 2, 1, 1, "'abc' in *.txt, \"my docs\": 1 matches in 2 files. 1 file searched. 1 file skipped."},
        {0, 0, 0, 0, "'abc' in *.txt, \"my docs\": 0 matches in 0 files. 0 files searched. 0 files skipped."},
    };
    TSearchData data;
    data.SearchString = "abc";
    data.FileSpecs = {"*.txt", "my docs"};
    for (const Case& c : cases) {
        TSearchStats stats;
        stats.TotalMatches = c.Matches;
        stats.MatchedFiles = c.Matched;
        stats.SearchedFiles = c.Searched;
        stats.SkippedFiles = c.Skipped;
        EXPECT_EQ(TSearchSummary::Result(data, stats), c.Expected);
    }
}

TEST(TSearchSummary, SpeedLine)
{
    struct Case {
        double Bytes;
        int Seconds;
        const char* Expected;
    };
    const Case cases[] = {
        {130000, 65, "130.00 Kb searched in 1m 5s (2.00 K/s)"},
        {2500, 0, "2.50 Kb searched in 0m 0s (2.50 K/s)"},   // under a second: divided by 1
        {0, 3, "0.00 Kb searched in 0m 3s (0.00 K/s)"},
    };
    for (const Case& c : cases) {
        TSearchStats stats;
        stats.BytesSearched = c.Bytes;
        stats.ElapsedTime = TDateTime(c.Seconds / 86400.0);
        EXPECT_EQ(TSearchSummary::Speed(stats), c.Expected);
    }
}

} // namespace
