// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include "TDateTime.h"

// The program's short date text: day, month and year as numbers in the order and with the
// separator of the user's short date format, the year always with four digits. Parameter files
// store dates in this form, so the process sets it once at start (the application from the
// system locale); until then it follows the C library's locale.
class TDateFormat {
public:
    enum class Order { DayMonthYear, MonthDayYear, YearMonthDay };

    TDateFormat() = default;
    TDateFormat(Order order, char separator, bool padDay = true, bool padMonth = true)
        : FieldOrder(order), Separator(separator), PadDay(padDay), PadMonth(padMonth) {}

    // The format of the process. Set before any parameter file is read or written.
    static const TDateFormat& Program();
    static void SetProgram(const TDateFormat& format);
    // Derived from a strftime-style pattern such as "%d/%m/%Y" or "%m/%d/%y".
    static TDateFormat FromStrftimePattern(std::string_view pattern);
    // Derived from a picture such as "dd/MM/yyyy", "M/d/yy" or "yyyy-MM-dd"; a month name
    // ("MMM") is made numeric and the year always gets four digits.
    static TDateFormat FromPicture(std::string_view picture);

    Order GetOrder() const { return FieldOrder; }
    char GetSeparator() const { return Separator; }

    // The date part of the value, e.g. "07/03/2024".
    std::string Format(TDateTime date) const;
    // The date, a blank and the time as hours, minutes and seconds (24-hour clock); the time
    // is left out when it is exactly midnight. This is how file dates are shown.
    std::string FormatDateTime(TDateTime value) const;
    // Parses a date written in this format; two-digit years are taken as 19xx and 20xx by a
    // 50-year window. False for anything that is not a valid calendar date.
    bool Parse(std::string_view text, TDateTime& date) const;

private:
    Order FieldOrder = Order::DayMonthYear;
    char Separator = '/';
    bool PadDay = true;
    bool PadMonth = true;
};
