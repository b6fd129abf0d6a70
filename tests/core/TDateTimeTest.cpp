// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>

#include "model/TDateFormat.h"
#include "model/TDateTime.h"

namespace {

TEST(TDateTime, DayNumbersOfKnownDates)
{
    struct Case {
        int Year, Month, Day;
        double Value;
    };
    const Case cases[] = {
        {1899, 12, 30, 0.0}, {1899, 12, 31, 1.0}, {1900, 1, 1, 2.0},
        {1970, 1, 1, 25569.0}, {2000, 2, 29, 36585.0}, {2024, 3, 7, 45358.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Value);
        const TDateTime date = TDateTime::FromYMD(c.Year, c.Month, c.Day);
        EXPECT_EQ(date.Value(), c.Value);
        int y, m, d;
        date.DecodeDate(y, m, d);
        EXPECT_EQ(y, c.Year);
        EXPECT_EQ(m, c.Month);
        EXPECT_EQ(d, c.Day);
    }
}

TEST(TDateTime, TimeOfDayIsTheFractionAndSurvivesTimeT)
{
    const TDateTime t = TDateTime::FromYMDHMS(2024, 3, 7, 18, 30, 15);
    EXPECT_EQ(t.DayNumber(), 45358);
    EXPECT_EQ(t.DatePart().Value(), 45358.0);
    int h, mi, s;
    t.DecodeTime(h, mi, s);
    EXPECT_EQ(h, 18);
    EXPECT_EQ(mi, 30);
    EXPECT_EQ(s, 15);
    EXPECT_EQ(TDateTime::FromTimeT(t.ToTimeT()).Value(), t.Value());
}

TEST(TDateTime, ValuesThatAreNoDateDecodeWithoutOverflow)
{
    for (const double value : {1e300, -1e300, std::nan(""), 1e12}) {
        int y, m, d, h, mi, s;
        TDateTime(value).DecodeDate(y, m, d);
        TDateTime(value).DecodeTime(h, mi, s);
        EXPECT_EQ(y, 1899) << value;
        EXPECT_EQ(h, 0) << value;
        TDateTime(value).DayNumber();
    }
}

TEST(TDateFormat, FormatsAndParsesInEachOrder)
{
    struct Case {
        TDateFormat Format;
        const char* Text;
    };
    const Case cases[] = {
        {TDateFormat(TDateFormat::Order::DayMonthYear, '/'), "07/03/2024"},
        {TDateFormat(TDateFormat::Order::MonthDayYear, '/', false, false), "3/7/2024"},
        {TDateFormat(TDateFormat::Order::YearMonthDay, '-'), "2024-03-07"},
        {TDateFormat(TDateFormat::Order::DayMonthYear, '.'), "07.03.2024"},
    };
    const TDateTime date = TDateTime::FromYMD(2024, 3, 7);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(c.Format.Format(date), c.Text);
        TDateTime parsed;
        ASSERT_TRUE(c.Format.Parse(c.Text, parsed));
        EXPECT_EQ(parsed, date);
    }
}

TEST(TDateFormat, FormatDropsTheTimeOfDay)
{
    const TDateFormat format(TDateFormat::Order::DayMonthYear, '/');
    EXPECT_EQ(format.Format(TDateTime::FromYMDHMS(2024, 12, 31, 23, 59, 59)), "31/12/2024");
}

TEST(TDateFormat, RejectsWhatIsNotACalendarDate)
{
    const TDateFormat format(TDateFormat::Order::DayMonthYear, '/');
    const char* bad[] = {"", "garbage", "31/02/2024", "29/02/2023", "00/01/2024", "01/13/2024",
                         "1/1", "1/1/2024/5", "1-1-2024", "01/01/12345", "1//2024", "-1/01/2024"};
    for (const char* text : bad) {
        TDateTime parsed;
        EXPECT_FALSE(format.Parse(text, parsed)) << text;
    }
    TDateTime leap;
    EXPECT_TRUE(format.Parse(" 29/02/2024 ", leap));
}

TEST(TDateFormat, TwoDigitYearsLandWithinFiftyYearsOfNow)
{
    const TDateFormat format(TDateFormat::Order::DayMonthYear, '/');
    int thisYear, m, d;
    TDateTime::Today().DecodeDate(thisYear, m, d);
    TDateTime parsed;
    ASSERT_TRUE(format.Parse("01/01/" + std::to_string(thisYear % 100), parsed));
    int y;
    parsed.DecodeDate(y, m, d);
    EXPECT_EQ(y, thisYear);
}

TEST(TDateFormat, PicturesAndStrftimePatterns)
{
    struct Case {
        TDateFormat Format;
        const char* Expected;
    };
    const Case cases[] = {
        {TDateFormat::FromPicture("dd/MM/yyyy"), "07/03/2024"},
        {TDateFormat::FromPicture("M/d/yy"), "3/7/2024"},
        {TDateFormat::FromPicture("dd.MM.yy"), "07.03.2024"},
        {TDateFormat::FromPicture("yyyy-MM-dd"), "2024-03-07"},
        {TDateFormat::FromPicture("d MMM yyyy"), "7 03 2024"},
        {TDateFormat::FromPicture("dddd, d/M/yyyy"), "7/3/2024"},
        {TDateFormat::FromStrftimePattern("%m/%d/%y"), "03/07/2024"},
        {TDateFormat::FromStrftimePattern("%d.%m.%Y"), "07.03.2024"},
        {TDateFormat::FromStrftimePattern("%Y-%m-%d"), "2024-03-07"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.Format.Format(TDateTime::FromYMD(2024, 3, 7)), c.Expected);
}

} // namespace
