// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "TestDir.h"
#include "engine/TFileFilter.h"
#include "model/TFileData.h"
#include "model/TSearchData.h"

namespace {

constexpr int32_t Today = 45358; // 7 March 2024

// A record for a file that does not exist, with the fields the filters read set by hand.
std::unique_ptr<TFileData> Record(int64_t size, double date, uint8_t type, const char* name = "f.txt")
{
    TNullShellInfo shell;
    auto record = std::make_unique<TFileData>("/nonexistent-quarnel-folder", name, shell);
    record->Size = size;
    record->Date = TDateTime(date);
    record->FileType = type;
    return record;
}

TEST(TFileFilter, SizeModes)
{
    struct Case {
        uint8_t Mode;
        int64_t Size;
        bool Passes;
    };
    const Case cases[] = {
        {0, 0, true},
        {1, 100000, false}, {1, 100001, true},
        {2, 999, true}, {2, 1000, false},
        {3, 1000, false}, {3, 1001, true}, {3, 99999, true}, {3, 100000, false},
        {4, 5000, false}, {255, 5000, false},
    };
    TSearchData data;
    data.GreaterThanSize = 100000;
    data.LessThanSize = 1000;
    data.MinSize = 1000;
    data.MaxSize = 100000;
    for (const Case& c : cases) {
        data.SizeFilterMode = c.Mode;
        EXPECT_EQ(TFileFilter(data, Today).PassesSizeFilter(*Record(c.Size, 0, 1)), c.Passes)
            << int(c.Mode) << " " << c.Size;
    }
}

TEST(TFileFilter, DateModesRoundTheDayToNearestWithHalvesToEven)
{
    const double hour = 1.0 / 24;
    struct Case {
        uint8_t Mode;
        double Date;
        bool Passes;
    };
    const Case cases[] = {
        {1, Today - 8 + 10 * hour, true},   // older than 7 days
        {1, Today - 8 + 13 * hour, false},  // after noon: counts as day t - 7
        {2, Today - 7 + 13 * hour, true},   // newer than 7 days
        {2, Today - 7 + 10 * hour, false},
        {1, 0.0, true},                     // a file that could not be opened is very old
        {2, 0.0, false},
        {3, Today + 12 * hour, false},      // both bounds today: nothing passes
        {5, Today, false},
    };
    TSearchData data;
    data.GreaterThanDays = 7;
    data.LessThanDays = 7;
    data.MinDate = TDateTime(Today);
    data.MaxDate = TDateTime(Today);
    for (const Case& c : cases) {
        data.DateFilterMode = c.Mode;
        EXPECT_EQ(TFileFilter(data, Today).PassesDateFilter(*Record(1, c.Date, 1)), c.Passes)
            << int(c.Mode) << " " << c.Date;
    }
    data.DateFilterMode = 3;
    data.MaxDate = TDateTime(Today + 1);
    EXPECT_TRUE(TFileFilter(data, Today).PassesDateFilter(*Record(1, Today + 0.5, 1)));
    EXPECT_FALSE(TFileFilter(data, Today).PassesDateFilter(*Record(1, Today, 1)));  // bounds excluded
}

TEST(TFileFilter, RoundedDayNumber)
{
    EXPECT_EQ(TFileFilter::RoundedDayNumber(10.5), 10);
    EXPECT_EQ(TFileFilter::RoundedDayNumber(11.5), 12);
    EXPECT_EQ(TFileFilter::RoundedDayNumber(10.4999), 10);
    EXPECT_EQ(TFileFilter::RoundedDayNumber(10.5001), 11);
}

TEST(TFileFilter, TheLastFailingFilterGivesTheReason)
{
    struct Case {
        int64_t Size;
        uint8_t Type;
        const char* Name;
        bool SkipText, SkipBinary, SearchZips;
        const char* Reason;
    };
    const Case cases[] = {
        {10, 1, "a.txt", false, false, false, nullptr},
        {10, 1, "a.txt", true, false, false, "File is text"},
        {999999, 2, "a.bin", false, true, false, "File is binary"},   // too large and binary
        {999999, 2, "a.bin", false, false, false, "not within file size filter criteria"},
        {10, 2, "a.Zip", false, true, true, "File is a ZIP and ZIPs contents are being searched"},
        {10, 1, "A.ZIP", false, false, true, "File is a ZIP and ZIPs contents are being searched"},
        {10, 1, "a.zip", false, false, false, nullptr},
        {10, 0, "a.txt", true, true, false, nullptr},                  // unknown type: neither
    };
    TSearchData data;
    data.SizeFilterMode = 2;
    data.LessThanSize = 1000;
    for (const Case& c : cases) {
        data.SkipTextFiles = c.SkipText;
        data.SkipBinaryFiles = c.SkipBinary;
        data.SearchZIPs = c.SearchZips;
        const char* reason = TFileFilter(data, Today).SkipReason(*Record(c.Size, Today, c.Type, c.Name));
        EXPECT_STREQ(reason, c.Reason) << c.Name;
    }
}

// The name alone must skip exactly the files the whole record's ZIP rule skips.
TEST(TFileFilter, NameAloneSkipsWhatTheRecordsZipRuleSkips)
{
    TSearchData data;
    for (const bool searchZips : {false, true}) {
        data.SearchZIPs = searchZips;
        const TFileFilter filter(data, Today);
        for (const char* name : {"a.zip", "A.ZIP", "b.Zip", ".zip", "zip", "a.zip.txt", "a.txt.zip", "a.zipx", "a.", "a"}) {
            SCOPED_TRACE(std::string(name) + (searchZips ? ", ZIPs searched" : ""));
            EXPECT_STREQ(filter.NameSkipReason(name), filter.SkipReason(*Record(10, Today, 1, name)));
        }
    }
}

} // namespace
