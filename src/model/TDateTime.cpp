// SPDX-License-Identifier: MIT
#include "TDateTime.h"

#include <cmath>

namespace {

// Day 0 of TDateTime (30 December 1899) counted from 1 January 1970.
constexpr int64_t UnixEpochOffsetDays = 25569;

// Days since 1 January 1970 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

} // namespace

TDateTime TDateTime::FromYMD(int year, int month, int day)
{
    return TDateTime(static_cast<double>(DaysFromCivil(year, month, day) + UnixEpochOffsetDays));
}

TDateTime TDateTime::FromYMDHMS(int year, int month, int day, int hour, int minute, int second)
{
    const double seconds = hour * 3600.0 + minute * 60.0 + second;
    return TDateTime(FromYMD(year, month, day).Days + seconds / 86400.0);
}

TDateTime TDateTime::FromTimeT(std::time_t t)
{
    std::tm local{};
    if (!localtime_r(&t, &local))
        return TDateTime();
    return FromYMDHMS(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                      local.tm_sec);
}

TDateTime TDateTime::Now()
{
    return FromTimeT(std::time(nullptr));
}

TDateTime TDateTime::Today()
{
    return Now().DatePart();
}

TDateTime TDateTime::DatePart() const
{
    return TDateTime(std::floor(Days));
}

int32_t TDateTime::DayNumber() const
{
    const double days = std::floor(Days);
    return days >= -2147483648.0 && days <= 2147483647.0 ? static_cast<int32_t>(days) : 0;
}

void TDateTime::DecodeDate(int& year, int& month, int& day) const
{
    // Values outside the years 1 to 9999 (or not a number) are not dates: they decode as day 0
    // rather than overflow.
    constexpr double FirstDay = -693593.0, LastDay = 2958465.0;
    const double days = Days >= FirstDay && Days <= LastDay + 1 ? std::floor(Days) : 0.0;
    CivilFromDays(static_cast<int64_t>(days) - UnixEpochOffsetDays, year, month, day);
}

void TDateTime::DecodeTime(int& hour, int& minute, int& second) const
{
    const double fraction = Days - std::floor(Days);
    long long seconds = fraction >= 0.0 && fraction < 1.0 ? std::llround(fraction * 86400.0) : 0;
    if (seconds > 86399)
        seconds = 86399;
    hour = static_cast<int>(seconds / 3600);
    minute = static_cast<int>(seconds / 60 % 60);
    second = static_cast<int>(seconds % 60);
}

std::time_t TDateTime::ToTimeT() const
{
    int year, month, day, hour, minute, second;
    DecodeDate(year, month, day);
    DecodeTime(hour, minute, second);
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}
