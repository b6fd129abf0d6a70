// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

class TSearchData;
class TFileData;

// Which found files are scanned: the size, date, text/binary and ZIP filters, applied in a
// fixed order. The last failing filter gives the reason a skipped file is logged with.
class TFileFilter {
public:
    // `today` is today's day number (whole days since 30 December 1899, local clock).
    TFileFilter(const TSearchData& data, int32_t today) : Data(data), Today(today) {}

    bool PassesSizeFilter(const TFileData& record) const;
    bool PassesDateFilter(const TFileData& record) const;
    // Null when the file passes, otherwise the reason it is skipped.
    const char* SkipReason(const TFileData& record) const;
    // The reason a file called `name` is skipped whatever its size, date and content, or null.
    // Only the ZIP filter looks at nothing but the name.
    const char* NameSkipReason(const std::string& name) const;

    // A date-time's day number rounded to the nearest whole day, an exact half to the even one.
    static int64_t RoundedDayNumber(double value);

private:
    const TSearchData& Data;
    int32_t Today;
};
