#include "Lib_Dates.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>

namespace {

TDateRec MakeDate(int year, int month, int day, int hour = 0, int min = 0, int sec = 0) {
    TDateRec d;
    d.Year = static_cast<std::uint16_t>(year);
    d.Month = static_cast<std::uint16_t>(month);
    d.Day = static_cast<std::uint16_t>(day);
    d.Hour = static_cast<std::uint16_t>(hour);
    d.Min = static_cast<std::uint16_t>(min);
    d.Sec = static_cast<std::uint16_t>(sec);
    return d;
}

void ExpectDate(const TDateRec& d, int year, int month, int day, int hour, int min, int sec) {
    EXPECT_EQ(d.Year, year);
    EXPECT_EQ(d.Month, month);
    EXPECT_EQ(d.Day, day);
    EXPECT_EQ(d.Hour, hour);
    EXPECT_EQ(d.Min, min);
    EXPECT_EQ(d.Sec, sec);
}

TEST(JamStampTest, KnownStamps) {
    ExpectDate(JamStampToDate(0), 1970, 1, 1, 0, 0, 0);
    ExpectDate(JamStampToDate(86399), 1970, 1, 1, 23, 59, 59);
    ExpectDate(JamStampToDate(951782400), 2000, 2, 29, 0, 0, 0);
    ExpectDate(JamStampToDate(4294967295u), 2106, 2, 7, 6, 28, 15);
}

TEST(JamStampTest, AgreesWithTheCLibraryAcrossTheRange) {
    // Steps of a prime number of seconds reach every time of day and every kind of year.
    for (std::uint64_t s = 0; s <= 0xFFFFFFFFu; s += 7919 * 997) {
        std::time_t t = static_cast<std::time_t>(s);
        std::tm utc{};
        ASSERT_NE(gmtime_r(&t, &utc), nullptr);
        TDateRec d = JamStampToDate(static_cast<std::uint32_t>(s));
        SCOPED_TRACE(s);
        ExpectDate(d, utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                   utc.tm_sec);
        ASSERT_EQ(WeekdayIndex(d), utc.tm_wday);
    }
}

TEST(DayNumberTest, FillsOnlyTheDateFields) {
    TDateRec d = MakeDate(1, 1, 1, 13, 14, 15);
    DayNumberToDate(2440588, d);
    ExpectDate(d, 1970, 1, 1, 13, 14, 15);
    DayNumberToDate(2451545, d); // the astronomers' J2000 day
    ExpectDate(d, 2000, 1, 1, 13, 14, 15);
    DayNumberToDate(1721120, d); // the first day the conversion covers
    ExpectDate(d, 0, 3, 1, 13, 14, 15);
}

TEST(DayNumberTest, ConsecutiveDaysWalkTheCalendar) {
    const int monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    TDateRec expected = MakeDate(1899, 12, 31);
    int weekday = 0; // 1899-12-31 was a Sunday
    for (std::int64_t jd = 2415020; jd < 2415020 + 3 * 146097 / 2; ++jd) {
        TDateRec d;
        DayNumberToDate(jd, d);
        ASSERT_EQ(d.Year, expected.Year);
        ASSERT_EQ(d.Month, expected.Month);
        ASSERT_EQ(d.Day, expected.Day);
        ASSERT_EQ(WeekdayIndex(d), weekday);

        int y = expected.Year;
        bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        int last = monthDays[expected.Month - 1] + (expected.Month == 2 && leap ? 1 : 0);
        if (++expected.Day > last) {
            expected.Day = 1;
            if (++expected.Month > 12) expected.Month = 1, ++expected.Year;
        }
        weekday = (weekday + 1) % 7;
    }
}

TEST(WeekdayTest, AnyRecordGivesADayOfTheWeek) {
    EXPECT_EQ(WeekdayIndex(MakeDate(1999, 12, 31)), 5);
    EXPECT_EQ(WeekdayIndex(MakeDate(2000, 1, 1)), 6);
    for (int month : {0, 13, 65535}) {
        int w = WeekdayIndex(MakeDate(2000, month, 0));
        EXPECT_GE(w, 0);
        EXPECT_LE(w, 6);
    }
    EXPECT_EQ(WeekdayIndex(MakeDate(2000, 13, 1)), WeekdayIndex(MakeDate(2001, 1, 1)));
}

TEST(FormatDateMaskTest, ViewerMaskAndTwelveHourClock) {
    TDateRec d = MakeDate(2026, 12, 8, 14, 5, 9);
    EXPECT_EQ(FormatDateMask(d, "DD NNN YYYY HH:II"), "08 Dec 2026 14:05");
    EXPECT_EQ(FormatDateMask(d, "hh:II:SS AA"), "02:05:09 pm");
    EXPECT_EQ(FormatDateMask(MakeDate(2026, 12, 8, 0, 30, 0), "hh:II:SS AA"), "12:30:00 am");
    EXPECT_EQ(FormatDateMask(MakeDate(2026, 12, 8, 12, 0, 0), "hh:II:SS AA"), "12:00:00 pm");
    EXPECT_EQ(FormatDateMask(MakeDate(2026, 12, 8, 23, 59, 0), "hh A"), "11 p");
}

TEST(FormatDateMaskTest, DayNamesAndShortYears) {
    EXPECT_EQ(FormatDateMask(MakeDate(1999, 12, 31), "DDD DD/MM/YY"), "Fri 31/12/99");
    EXPECT_EQ(FormatDateMask(MakeDate(2000, 1, 1), "DDD DD/MM/YY"), "Sat 01/01/00");
    EXPECT_EQ(FormatDateMask(MakeDate(2000, 1, 1), "YYYYY"), "2000Y"); // YYYY first; Y alone stays
}

TEST(FormatDateMaskTest, TokenOrderAndCase) {
    TDateRec morning = MakeDate(2026, 4, 8, 9, 0, 0);
    TDateRec evening = MakeDate(2026, 8, 8, 21, 0, 0);
    EXPECT_EQ(FormatDateMask(morning, "A"), "a");
    EXPECT_EQ(FormatDateMask(evening, "A"), "p");
    // Month names come last and keep their capital A; an A of the mask itself does not.
    EXPECT_EQ(FormatDateMask(morning, "NNN Any"), "Apr any");
    EXPECT_EQ(FormatDateMask(evening, "NNN"), "Aug");
    EXPECT_EQ(FormatDateMask(morning, "yyyy mm dd ii nnn"), "yyyy mm dd ii nnn");
    EXPECT_EQ(FormatDateMask(morning, "no tokens here"), "no tokens here");
    EXPECT_EQ(FormatDateMask(morning, ""), "");
}

TEST(FormatDateMaskTest, OddRecords) {
    TDateRec zero; // a record that was never filled
    EXPECT_EQ(FormatDateMask(zero, "DD NNN YYYY"), "00 ??? 0");
    TDateRec d = MakeDate(12345, 13, 1);
    EXPECT_EQ(FormatDateMask(d, "YYYY NNN"), "1234 ???");
    // A full-length mask stays within 255 bytes.
    EXPECT_EQ(FormatDateMask(MakeDate(2026, 1, 1), ShortStr(std::string(255, 'D'))).Length(), 255u);
}

} // namespace
