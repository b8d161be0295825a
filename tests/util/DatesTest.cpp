#include "Lib_Dates.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>

namespace {

TDateRec makeDate(int year, int month, int day, int hour = 0, int min = 0, int sec = 0) {
    auto u = [](int v) { return static_cast<std::uint16_t>(v); };
    return TDateRec{u(year), u(month), u(day), u(hour), u(min), u(sec)};
}

void expectDate(const TDateRec& d, const TDateRec& e) {
    EXPECT_EQ(d.Year, e.Year);
    EXPECT_EQ(d.Month, e.Month);
    EXPECT_EQ(d.Day, e.Day);
    EXPECT_EQ(d.Hour, e.Hour);
    EXPECT_EQ(d.Min, e.Min);
    EXPECT_EQ(d.Sec, e.Sec);
}

TEST(DatesTest, JamStampsBreakDownLikeTheCLibrary) {
    expectDate(JamStampToDate(0), makeDate(1970, 1, 1));
    expectDate(JamStampToDate(86399), makeDate(1970, 1, 1, 23, 59, 59));
    expectDate(JamStampToDate(951782400), makeDate(2000, 2, 29));
    expectDate(JamStampToDate(4294967295u), makeDate(2106, 2, 7, 6, 28, 15));
    // Steps of an odd number of seconds reach every time of day and every kind of year.
    for (std::uint64_t s = 0; s <= 0xFFFFFFFFu; s += 7919 * 997) {
        std::time_t t = static_cast<std::time_t>(s);
        std::tm u{};
        ASSERT_NE(gmtime_r(&t, &u), nullptr);
        SCOPED_TRACE(s);
        TDateRec d = JamStampToDate(static_cast<std::uint32_t>(s));
        expectDate(
            d, makeDate(u.tm_year + 1900, u.tm_mon + 1, u.tm_mday, u.tm_hour, u.tm_min, u.tm_sec));
        ASSERT_EQ(WeekdayIndex(d), u.tm_wday);
    }
}

TEST(DatesTest, DayNumbersFillOnlyTheDateFields) {
    TDateRec d = makeDate(1, 1, 1, 13, 14, 15);
    DayNumberToDate(2451545, d); // J2000
    expectDate(d, makeDate(2000, 1, 1, 13, 14, 15));
    DayNumberToDate(1721120, d); // the first day the conversion covers
    expectDate(d, makeDate(0, 3, 1, 13, 14, 15));
    // A month beyond December carries into the year for the day of the week.
    EXPECT_EQ(WeekdayIndex(makeDate(2000, 13, 1)), WeekdayIndex(makeDate(2001, 1, 1)));
}

TEST(DatesTest, MaskTokens) {
    TDateRec d = makeDate(2026, 12, 8, 14, 5, 9);
    EXPECT_EQ(FormatDateMask(d, "DD NNN YYYY HH:II"), "08 Dec 2026 14:05");
    EXPECT_EQ(FormatDateMask(d, "hh:II:SS AA"), "02:05:09 pm");
    EXPECT_EQ(FormatDateMask(makeDate(2026, 12, 8, 0, 30), "hh:II:SS AA"), "12:30:00 am");
    EXPECT_EQ(FormatDateMask(makeDate(2026, 12, 8, 12), "hh:II:SS AA"), "12:00:00 pm");
    EXPECT_EQ(FormatDateMask(makeDate(1999, 12, 31), "DDD DD/MM/YY"), "Fri 31/12/99");
    EXPECT_EQ(FormatDateMask(makeDate(2000, 1, 1), "DDD DD/MM/YY"), "Sat 01/01/00");
    EXPECT_EQ(FormatDateMask(makeDate(2000, 1, 1), "YYYYY"), "2000Y");
}

TEST(DatesTest, MaskOrderCaseAndOddRecords) {
    TDateRec morning = makeDate(2026, 4, 8, 9);
    EXPECT_EQ(FormatDateMask(morning, "A"), "a");
    EXPECT_EQ(FormatDateMask(makeDate(2026, 4, 8, 12), "A"), "p");
    // Month names come last and keep their capital A; an A of the mask itself does not.
    EXPECT_EQ(FormatDateMask(morning, "NNN Any"), "Apr any");
    EXPECT_EQ(FormatDateMask(morning, "yyyy mm dd ii nnn"), "yyyy mm dd ii nnn");
    EXPECT_EQ(FormatDateMask(morning, ""), "");
    // A record never filled, or out of range, shows no other month's name.
    EXPECT_EQ(FormatDateMask(TDateRec{}, "DD NNN YYYY"), "00 ??? 0");
    EXPECT_EQ(FormatDateMask(makeDate(12345, 13, 1), "YYYY NNN"), "1234 ???");
}

} // namespace
