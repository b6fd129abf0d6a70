// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "TDateTime.h"

// Counters and progress texts of a search run. Written only by the search engine.
struct TSearchStats {
    std::string CurrentFile;
    std::string CurrentFolder;
    int32_t CountedFiles = 0;
    uint32_t SkippedFiles = 0;
    uint64_t TotalMatches = 0;
    uint32_t SearchedFiles = 0;
    uint32_t MatchedFiles = 0;
    bool Completed = false;
    double BytesSearched = 0.0;
    TDateTime ElapsedTime;
};
