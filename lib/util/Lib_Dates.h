#pragma once
// Broken-down dates: JAM time stamps (seconds since 1970-01-01, no time zone) to calendar dates,
// and dates to text by a mask such as "DD NNN YYYY HH:II".

#include "ShortStr.h"

#include <cstdint>

struct TDateRec {
    std::uint16_t Year = 0;  // full year, e.g. 2026
    std::uint16_t Month = 0; // 1 to 12
    std::uint16_t Day = 0;   // 1 to 31
    std::uint16_t Hour = 0;  // 0 to 23
    std::uint16_t Min = 0;   // 0 to 59
    std::uint16_t Sec = 0;   // 0 to 59
};

// A JAM stamp broken down as it stands; every value is a valid date up to 2106-02-07 06:28:15.
TDateRec JamStampToDate(std::uint32_t stamp);

// Sets Year, Month and Day of date from a Julian day number (Gregorian calendar) and leaves the
// time fields alone. Valid for day numbers from 1721120 (0000-03-01) on.
void DayNumberToDate(std::int64_t julianDay, TDateRec& date);

// Day of the week of the date's Year, Month and Day: 0 for Sunday to 6 for Saturday.
int WeekdayIndex(const TDateRec& date);

// The mask with its tokens replaced, in this order: YYYY, YY, MM, DDD (day name), DD, HH (24-hour),
// hh (12-hour), II (minutes), SS, AA (am/pm), A (a/p), NNN (month name). Tokens are case-sensitive;
// every other character stays as it is.
ShortStr FormatDateMask(const TDateRec& date, const ShortStr& mask);
