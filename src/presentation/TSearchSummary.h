// SPDX-License-Identifier: MIT
#pragma once

#include <string>

class TSearchData;
struct TSearchStats;

// The texts that sum up a search: what was looked for, what was found, and how fast.
class TSearchSummary {
public:
    // "'abc' in *.txt"
    static std::string Criteria(const TSearchData& data);
    // "'abc' in *.txt: 3 matches in 1 file. 10 files searched. 0 files skipped."
    static std::string Result(const TSearchData& data, const TSearchStats& stats);
    // "130.00 Kb searched in 1m 5s (2.00 K/s)"
    static std::string Speed(const TSearchStats& stats);
};
