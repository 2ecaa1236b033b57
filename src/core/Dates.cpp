#include "core/Date.h"

#include "core/RuntimeError.h"

#include <cmath>

namespace k7::Dates {

namespace {

constexpr int64_t MsPerDay = 86'400'000;
constexpr int64_t MsPerHour = 3'600'000;
constexpr int64_t MsPerSecond = 1'000;
// 100-01-01 and 9999-12-31 as day numbers from 1899-12-30: the range the runtime accepts.
constexpr int64_t FirstDay = -657'434;
constexpr int64_t LastDay = 2'958'465;

// Days from 1970-01-01 for a proleptic Gregorian date (valid for any year).
constexpr int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = FloorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

// Known at compile time, so a date computed while other files' globals are being set up (before
// this file's own initialisers have run) is already right.
constexpr int64_t Epoch = DaysFromCivil(1899, 12, 30);

// Every date is handled as whole milliseconds on the linear scale, so that dates built in
// different ways (a timestamp, a serial plus seconds) compare equal when they name the same instant.
int64_t ToMs(Date date) {
    return std::llround(ToLinear(date) * static_cast<double>(MsPerDay));
}

Date FromMs(int64_t ms) {
    const int64_t day = FloorDiv(ms, MsPerDay);
    if (day < FirstDay || day > LastDay)
        Raise(ErrorNumber::InvalidProcedureCall);
    const double fraction = static_cast<double>(ms - day * MsPerDay) / static_cast<double>(MsPerDay);
    return FromLinear(static_cast<double>(day) + fraction);
}

Date AddMs(Date date, double ms) {
    if (!std::isfinite(ms) || std::fabs(ms) > 1e15)
        Raise(ErrorNumber::InvalidProcedureCall);
    return FromMs(ToMs(date) + std::llround(ms));
}

} // namespace

double ToLinear(Date date) {
    const double serial = date.Serial;
    if (serial >= 0)
        return serial;
    const double whole = std::trunc(serial);
    return whole + (whole - serial);
}

Date FromLinear(double days) {
    if (days >= 0)
        return Date(days);
    const double whole = std::floor(days);
    return Date(whole - (days - whole));
}

Date DateSerial(int32_t year, int32_t month, int32_t day) {
    int64_t y = year;
    if (y >= 0 && y <= 29)
        y += 2000;
    else if (y >= 30 && y <= 99)
        y += 1900;
    const int64_t monthIndex = static_cast<int64_t>(month) - 1;
    y += FloorDiv(monthIndex, 12);
    const int64_t m = monthIndex - FloorDiv(monthIndex, 12) * 12 + 1;
    const int64_t days = DaysFromCivil(y, m, 1) - Epoch + (static_cast<int64_t>(day) - 1);
    if (days < FirstDay || days > LastDay)
        Raise(ErrorNumber::InvalidProcedureCall);
    return FromLinear(static_cast<double>(days));
}

double TimeSerial(int32_t hours, int32_t minutes, int32_t seconds) {
    const int64_t total = static_cast<int64_t>(hours) * 3600 + static_cast<int64_t>(minutes) * 60 + seconds;
    return static_cast<double>(total) / 86400.0;
}

Date AddDays(Date date, double days) {
    return AddMs(date, days * static_cast<double>(MsPerDay));
}
Date AddHours(Date date, double hours) {
    return AddMs(date, hours * static_cast<double>(MsPerHour));
}
Date AddMinutes(Date date, double minutes) {
    return AddMs(date, minutes * 60'000.0);
}
Date AddSeconds(Date date, double seconds) {
    return AddMs(date, seconds * static_cast<double>(MsPerSecond));
}

int64_t DiffHours(Date from, Date to) {
    return FloorDiv(ToMs(to), MsPerHour) - FloorDiv(ToMs(from), MsPerHour);
}

int64_t DiffDays(Date from, Date to) {
    return FloorDiv(ToMs(to), MsPerDay) - FloorDiv(ToMs(from), MsPerDay);
}

int64_t DiffSeconds(Date from, Date to) {
    return FloorDiv(ToMs(to) + MsPerSecond / 2, MsPerSecond) -
           FloorDiv(ToMs(from) + MsPerSecond / 2, MsPerSecond);
}

Parts Split(Date date) {
    const int64_t seconds = FloorDiv(ToMs(date) + MsPerSecond / 2, MsPerSecond);
    const int64_t day = FloorDiv(seconds, 86400);
    const int64_t secondOfDay = seconds - day * 86400;
    Parts parts;
    CivilFromDays(day + Epoch, parts.Year, parts.Month, parts.Day);
    parts.Hour = static_cast<int>(secondOfDay / 3600);
    parts.Minute = static_cast<int>(secondOfDay / 60 % 60);
    parts.Second = static_cast<int>(secondOfDay % 60);
    return parts;
}

int Weekday(Date date) {
    const int64_t seconds = FloorDiv(ToMs(date) + MsPerSecond / 2, MsPerSecond);
    const int64_t day = FloorDiv(seconds, 86400);
    // Day 0, 1899-12-30, was a Saturday.
    return static_cast<int>(((day + 6) % 7 + 7) % 7) + 1;
}

double SecondsSinceMidnight(Date date) {
    const double days = ToLinear(date);
    return (days - std::floor(days)) * 86400.0;
}

QString ZeroPadded(int64_t value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

QString FormatHHNNSS(Date date) {
    const Parts p = Split(date);
    return ZeroPadded(p.Hour, 2) + QLatin1Char(':') + ZeroPadded(p.Minute, 2) + QLatin1Char(':') +
           ZeroPadded(p.Second, 2);
}

QString FormatIso(Date date) {
    const Parts p = Split(date);
    return ZeroPadded(p.Year, 4) + QLatin1Char('-') + ZeroPadded(p.Month, 2) + QLatin1Char('-') +
           ZeroPadded(p.Day, 2) + QLatin1Char(' ') + FormatHHNNSS(date);
}

} // namespace k7::Dates
