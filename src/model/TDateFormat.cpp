// SPDX-License-Identifier: MIT
#include "TDateFormat.h"

#include <langinfo.h>

#include <charconv>
#include <cstdio>
#include <mutex>

namespace {

std::mutex ProgramFormatMutex;

TDateFormat& ProgramFormatStorage()
{
    static TDateFormat format = TDateFormat::FromStrftimePattern(nl_langinfo(D_FMT));
    return format;
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Reads the order of the d, m and y fields and the first separator from a picture, where
// `kind` maps one character of it to 'd', 'm', 'y' or 0 for a separator.
template <typename Kind>
TDateFormat FromFields(std::string_view picture, Kind kind)
{
    char fields[3] = {};
    int count = 0;
    char separator = 0;
    bool padDay = true;
    bool padMonth = true;
    for (std::size_t i = 0; i < picture.size();) {
        const auto [field, width, pad] = kind(picture, i);
        if (field) {
            if (count < 3 && (count == 0 || fields[count - 1] != field))
                fields[count++] = field;
            if (field == 'd')
                padDay = pad;
            if (field == 'm')
                padMonth = pad;
            i += width;
        } else if (width > 1) {
            i += width; // a day or month name: no numeric field, not a separator
        } else {
            if (!separator && count > 0 && picture[i] != '%')
                separator = picture[i];
            ++i;
        }
    }
    TDateFormat::Order order = TDateFormat::Order::DayMonthYear;
    if (count == 3 && fields[0] == 'm')
        order = TDateFormat::Order::MonthDayYear;
    else if (count == 3 && fields[0] == 'y')
        order = TDateFormat::Order::YearMonthDay;
    return TDateFormat(order, separator ? separator : '/', padDay, padMonth);
}

struct FieldToken {
    char Field;
    std::size_t Width;
    bool Pad;
};

} // namespace

const TDateFormat& TDateFormat::Program()
{
    std::lock_guard lock(ProgramFormatMutex);
    return ProgramFormatStorage();
}

void TDateFormat::SetProgram(const TDateFormat& format)
{
    std::lock_guard lock(ProgramFormatMutex);
    ProgramFormatStorage() = format;
}

TDateFormat TDateFormat::FromStrftimePattern(std::string_view pattern)
{
    return FromFields(pattern, [](std::string_view p, std::size_t i) -> FieldToken {
        if (p[i] != '%' || i + 1 >= p.size())
            return {0, 1, false};
        switch (p[i + 1]) {
        case 'd': return {'d', 2, true};
        case 'e': return {'d', 2, false};
        case 'm': return {'m', 2, true};
        case 'b': case 'B': case 'h': return {'m', 2, true};
        case 'y': case 'Y': case 'C': return {'y', 2, true};
        default: return {0, 1, false};
        }
    });
}

TDateFormat TDateFormat::FromPicture(std::string_view picture)
{
    return FromFields(picture, [](std::string_view p, std::size_t i) -> FieldToken {
        const char c = p[i];
        std::size_t run = 1;
        while (i + run < p.size() && p[i + run] == c)
            ++run;
        switch (c) {
        case 'd': return run >= 3 ? FieldToken{0, run, false} : FieldToken{'d', run, run == 2};
        case 'M': return {'m', run, run != 1};
        case 'y': return {'y', run, true};
        default: return {0, 1, false};
        }
    });
}

std::string TDateFormat::Format(TDateTime date) const
{
    int year, month, day;
    date.DecodeDate(year, month, day);
    char d[8], m[8], y[8];
    std::snprintf(d, sizeof d, PadDay ? "%02d" : "%d", day);
    std::snprintf(m, sizeof m, PadMonth ? "%02d" : "%d", month);
    std::snprintf(y, sizeof y, "%04d", year);
    const char* parts[3];
    switch (FieldOrder) {
    case Order::MonthDayYear: parts[0] = m; parts[1] = d; parts[2] = y; break;
    case Order::YearMonthDay: parts[0] = y; parts[1] = m; parts[2] = d; break;
    default: parts[0] = d; parts[1] = m; parts[2] = y; break;
    }
    std::string text;
    for (int i = 0; i < 3; ++i) {
        if (i)
            text += Separator;
        text += parts[i];
    }
    return text;
}

std::string TDateFormat::FormatDateTime(TDateTime value) const
{
    std::string text = Format(value);
    int hour, minute, second;
    value.DecodeTime(hour, minute, second);
    if (hour != 0 || minute != 0 || second != 0) {
        char time[16];
        std::snprintf(time, sizeof time, " %02d:%02d:%02d", hour, minute, second);
        text += time;
    }
    return text;
}

bool TDateFormat::Parse(std::string_view text, TDateTime& date) const
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);

    int values[3];
    int digits[3];
    for (int i = 0; i < 3; ++i) {
        std::size_t n = 0;
        while (n < text.size() && text[n] >= '0' && text[n] <= '9')
            ++n;
        if (n == 0 || n > 4)
            return false;
        std::from_chars(text.data(), text.data() + n, values[i]);
        digits[i] = static_cast<int>(n);
        text.remove_prefix(n);
        if (i < 2) {
            if (text.empty() || text.front() != Separator)
                return false;
            text.remove_prefix(1);
        }
    }
    if (!text.empty())
        return false;

    int year, month, day, yearDigits;
    switch (FieldOrder) {
    case Order::MonthDayYear: month = values[0]; day = values[1]; year = values[2]; yearDigits = digits[2]; break;
    case Order::YearMonthDay: year = values[0]; month = values[1]; day = values[2]; yearDigits = digits[0]; break;
    default: day = values[0]; month = values[1]; year = values[2]; yearDigits = digits[2]; break;
    }
    if (yearDigits <= 2) {
        // A two-digit year is the one nearest to now within a 100-year window ending 50 years ahead.
        int thisYear, m, d;
        TDateTime::Today().DecodeDate(thisYear, m, d);
        const int pivot = thisYear + 50;
        year += pivot / 100 * 100;
        if (year > pivot)
            year -= 100;
    }
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    date = TDateTime::FromYMD(year, month, day);
    return true;
}
