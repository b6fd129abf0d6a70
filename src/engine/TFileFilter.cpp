// SPDX-License-Identifier: MIT
#include "engine/TFileFilter.h"

#include <cmath>
#include <string>

#include "model/TFileData.h"
#include "model/TSearchData.h"

namespace {

bool IsZipExtension(const std::string& extension)
{
    if (extension.size() != 4)
        return false;
    std::string upper = extension;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper == ".ZIP";
}

constexpr const char* ZipReason = "File is a ZIP and ZIPs contents are being searched";

} // namespace

int64_t TFileFilter::RoundedDayNumber(double value)
{
    const double whole = std::floor(value);
    const double fraction = value - whole;
    int64_t day = static_cast<int64_t>(whole);
    if (fraction > 0.5 || (fraction == 0.5 && day % 2 != 0))
        ++day;
    return day;
}

bool TFileFilter::PassesSizeFilter(const TFileData& record) const
{
    switch (Data.SizeFilterMode) {
    case 0: return true;
    case 1: return record.Size > Data.GreaterThanSize;
    case 2: return record.Size < Data.LessThanSize;
    case 3: return Data.MinSize < record.Size && record.Size < Data.MaxSize;
    default: return false;
    }
}

bool TFileFilter::PassesDateFilter(const TFileData& record) const
{
    const int64_t day = RoundedDayNumber(record.Date.Value());
    switch (Data.DateFilterMode) {
    case 0: return true;
    case 1: return day < int64_t{Today} - Data.GreaterThanDays;
    case 2: return day > int64_t{Today} - Data.LessThanDays;
    case 3: return Data.MinDate < record.Date && record.Date < Data.MaxDate;
    default: return false;
    }
}

const char* TFileFilter::SkipReason(const TFileData& record) const
{
    const char* reason = nullptr;
    if (!PassesSizeFilter(record))
        reason = "not within file size filter criteria";
    if (!PassesDateFilter(record))
        reason = "not within file date filter criteria";
    if (Data.SkipTextFiles && record.FileType == TFileData::Text)
        reason = "File is text";
    if (Data.SkipBinaryFiles && record.FileType == TFileData::Binary)
        reason = "File is binary";
    if (Data.SearchZIPs && IsZipExtension(record.Extension))
        reason = ZipReason;
    return reason;
}

const char* TFileFilter::NameSkipReason(const std::string& name) const
{
    // The extension as a record takes it: from the last dot on.
    const std::size_t lastDot = name.rfind('.');
    if (Data.SearchZIPs && lastDot != std::string::npos && IsZipExtension(name.substr(lastDot)))
        return ZipReason;
    return nullptr;
}
