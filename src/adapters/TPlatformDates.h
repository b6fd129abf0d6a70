// SPDX-License-Identifier: MIT
#pragma once

class QLocale;

// Sets the program's date text (used by parameter files and the date filters) from the
// locale's short date format: months as numbers, years with four digits.
class TPlatformDates {
public:
    static void InstallProgramDateFormat(const QLocale& locale);
};
