#pragma once

#include <QString>

#include <cstdint>

namespace k7 {

// A date value as the component runtime keeps it: days since 1899-12-30 00:00:00, the fraction
// being the time of day. Before that day the whole part counts days backwards while the fraction
// still counts the time forwards (-1.25 is 1899-12-29 06:00), so arithmetic never works on the
// serial directly: it goes through Dates::ToLinear / Dates::FromLinear.
struct Date {
    double Serial = 0.0;

    constexpr Date() = default;
    constexpr explicit Date(double serial) : Serial(serial) {}
    friend constexpr bool operator==(Date a, Date b) { return a.Serial == b.Serial; }
};

namespace Dates {

struct Parts {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0;
};

// Serial <-> a monotonic count of days (negative before 1899-12-30, fraction always forwards).
double ToLinear(Date date);
Date FromLinear(double days);

// Date from year, month and day, rolling over both ways, two-digit years read as the runtime
// reads them (0..29: 2000s); 5 outside 100-01-01..9999-12-31.
Date DateSerial(int32_t year, int32_t month, int32_t day);

// Time of day from hours, minutes and seconds with roll-over, as a fraction of a day (may be
// negative or exceed one day).
double TimeSerial(int32_t hours, int32_t minutes, int32_t seconds);

// Calendar arithmetic; each raises 5 when the result leaves the representable range.
Date AddDays(Date date, double days);
Date AddHours(Date date, double hours);
Date AddMinutes(Date date, double minutes);
Date AddSeconds(Date date, double seconds);

// Whole clock-hour boundaries crossed from `from` to `to` (negative when `to` is earlier):
// 10:59:59 to 11:00:00 is 1, 10:00:00 to 10:59:59 is 0.
int64_t DiffHours(Date from, Date to);
// Whole days boundaries crossed (midnights).
int64_t DiffDays(Date from, Date to);
// Whole seconds from `from` to `to`, each side taken to the nearest second first.
int64_t DiffSeconds(Date from, Date to);

// Seconds since the midnight before `date`, fraction included: the runtime's Timer.
double SecondsSinceMidnight(Date date);

// The calendar parts, the time rounded to the nearest second.
Parts Split(Date date);
// 1 = Sunday .. 7 = Saturday.
int Weekday(Date date);

// The quotient rounded towards minus infinity (-1 / 60 is -1): the day, hour or minute a moment
// falls in, before the epoch as after it.
constexpr int64_t FloorDiv(int64_t value, int64_t divisor) {
    int64_t quotient = value / divisor;
    if (value % divisor != 0 && ((value < 0) != (divisor < 0)))
        --quotient;
    return quotient;
}

// `value` in decimal, zero-padded to `width` digits: the one padder of every date and clock text.
QString ZeroPadded(int64_t value, int width);

// "HH:NN:SS", 24-hour clock, each part two digits.
QString FormatHHNNSS(Date date);
// "YYYY-MM-DD HH:NN:SS", for messages and dumps.
QString FormatIso(Date date);

} // namespace Dates
} // namespace k7
