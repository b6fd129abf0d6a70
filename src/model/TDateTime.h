// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// A point in local time as whole days since 30 December 1899, the time of day as the
// fraction. This is the form dates take in the search model and in parameter files.
class TDateTime {
public:
    constexpr TDateTime() = default;
    constexpr explicit TDateTime(double days) : Days(days) {}

    static TDateTime FromYMD(int year, int month, int day);
    static TDateTime FromYMDHMS(int year, int month, int day, int hour, int minute, int second);
    // Local time of a POSIX time stamp.
    static TDateTime FromTimeT(std::time_t t);
    static TDateTime Now();
    static TDateTime Today();

    double Value() const { return Days; }
    // The date alone, at midnight.
    TDateTime DatePart() const;
    // Whole day number of the date (floor of the value).
    int32_t DayNumber() const;
    void DecodeDate(int& year, int& month, int& day) const;
    void DecodeTime(int& hour, int& minute, int& second) const;
    // Back to a POSIX time stamp, reading the value as local time.
    std::time_t ToTimeT() const;

    friend constexpr bool operator==(TDateTime a, TDateTime b) { return a.Days == b.Days; }
    friend constexpr auto operator<=>(TDateTime a, TDateTime b) { return a.Days <=> b.Days; }

private:
    double Days = 0.0;
};
