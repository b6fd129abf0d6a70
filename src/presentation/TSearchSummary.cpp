// SPDX-License-Identifier: MIT
#include "presentation/TSearchSummary.h"

#include <cstdio>

#include "model/TSearchData.h"
#include "model/TSearchStats.h"

namespace {

std::string Counted(uint32_t count, const char* noun, const char* pluralEnd, const char* singularEnd)
{
    return std::to_string(count) + " " + noun + (count != 1 ? pluralEnd : singularEnd);
}

} // namespace

std::string TSearchSummary::Criteria(const TSearchData& data)
{
    return "'" + data.SearchString + "' in " + data.FileSpecsText(", ");
}

std::string TSearchSummary::Result(const TSearchData& data, const TSearchStats& stats)
{
    return Criteria(data) + ": " + std::to_string(stats.TotalMatches) + " matches in " +
           Counted(stats.MatchedFiles, "file", "s. ", ". ") + Counted(stats.SearchedFiles, "file", "s", "") +
           " searched. " + Counted(stats.SkippedFiles, "file", "s", "") + " skipped.";
}

std::string TSearchSummary::Speed(const TSearchStats& stats)
{
    int hour, minute, second;
    stats.ElapsedTime.DecodeTime(hour, minute, second);
    const int seconds = minute * 60 + second;
    const double kilobytes = stats.BytesSearched / 1000.0;
    char text[160];
    std::snprintf(text, sizeof text, "%.2f Kb searched in %dm %ds (%.2f K/s)", kilobytes, minute, second,
                  kilobytes / (seconds == 0 ? 1 : seconds));
    return text;
}
