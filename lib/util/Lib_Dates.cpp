#include "Lib_Dates.h"

#include "Lib_Strings.h"

#include <string>

namespace {

constexpr const char* dayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* monthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Julian day number of 1970-01-01, the day JAM stamps count from.
constexpr std::int64_t unixEpochDay = 2440588;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days since 1970-01-01 of a Gregorian date; months outside 1 to 12 carry into the year so that
// any record gives some day.
std::int64_t daysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    std::int64_t m0 = m - 1;
    y += floorDiv(m0, 12);
    m = m0 - 12 * floorDiv(m0, 12) + 1;
    if (m <= 2) --y;
    std::int64_t era = floorDiv(y, 400);
    std::int64_t yoe = y - era * 400;
    std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

} // namespace

void DayNumberToDate(std::int64_t julianDay, TDateRec& date) {
    std::int64_t t = 4 * (julianDay - 1721119) - 1;
    std::int64_t century = t / 146097;
    std::int64_t d = 4 * ((t % 146097) / 4) + 3;
    std::int64_t y = d / 1461;
    std::int64_t d2 = ((d % 1461) + 4) / 4;
    std::int64_t m5 = 5 * d2 - 3;
    std::int64_t m = m5 / 153;
    date.Day = static_cast<std::uint16_t>(((m5 % 153) + 5) / 5);
    if (m < 10) {
        date.Month = static_cast<std::uint16_t>(m + 3);
    } else {
        date.Month = static_cast<std::uint16_t>(m - 9);
        ++y;
    }
    date.Year = static_cast<std::uint16_t>(100 * century + y);
}

TDateRec JamStampToDate(std::uint32_t stamp) {
    TDateRec date;
    std::uint32_t rest = stamp % 86400;
    DayNumberToDate(static_cast<std::int64_t>(stamp / 86400) + unixEpochDay, date);
    date.Hour = static_cast<std::uint16_t>(rest / 3600);
    date.Min = static_cast<std::uint16_t>(rest % 3600 / 60);
    date.Sec = static_cast<std::uint16_t>(rest % 60);
    return date;
}

int WeekdayIndex(const TDateRec& date) {
    // 1970-01-01 was a Thursday.
    std::int64_t days = daysFromCivil(date.Year, date.Month, date.Day);
    return static_cast<int>((days % 7 + 7 + 4) % 7);
}

ShortStr FormatDateMask(const TDateRec& date, const ShortStr& mask) {
    ShortStr yearText = IntToText(date.Year).Left(4);
    bool pm = date.Hour >= 12;
    int hour12 = pm ? date.Hour - 12 : date.Hour;
    if (hour12 == 0) hour12 = 12;
    std::string ampm = pm ? "pm" : "am";
    // A month outside 1 to 12 cannot come from a time stamp; it shows as "???" rather than as
    // some other month.
    std::string monthName =
        date.Month >= 1 && date.Month <= 12 ? monthNames[date.Month - 1] : "???";

    std::string text = mask.Str();
    text = ReplaceAll(text, "YYYY", yearText);
    text = ReplaceAll(text, "YY", yearText.Sub(2, 2));
    text = ReplaceAll(text, "MM", TwoDigits(date.Month));
    text = ReplaceAll(text, "DDD", dayNames[WeekdayIndex(date)]);
    text = ReplaceAll(text, "DD", TwoDigits(date.Day));
    text = ReplaceAll(text, "HH", TwoDigits(date.Hour));
    text = ReplaceAll(text, "hh", TwoDigits(hour12));
    text = ReplaceAll(text, "II", TwoDigits(date.Min));
    text = ReplaceAll(text, "SS", TwoDigits(date.Sec));
    text = ReplaceAll(text, "AA", ampm);
    text = ReplaceAll(text, "A", ampm.substr(0, 1));
    text = ReplaceAll(text, "NNN", monthName);
    return ShortStr(text);
}
