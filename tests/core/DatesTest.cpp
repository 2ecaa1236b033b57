// Dates as the runtime's serial days: building with roll-over, adding, differences counted as
// boundaries crossed, and the library's clock.

#include "support/Checks.h"

#include "core/Clock_p.h"
#include "core/Common_p.h"
#include "core/Date.h"
#include "core/RuntimeError.h"

#include <gtest/gtest.h>

namespace k7 {
namespace {

QString Iso(Date date) {
    return Dates::FormatIso(date);
}

TEST(DateSerial, RollsOverMonthsAndDaysWithinTheCalendar) {
    struct Row {
        int year, month, day;
        const char* date; // and its serial
    };
    // Years 0 to 29 are read as 2000 to 2029, 30 to 99 as 1930 to 1999, as the runtime does.
    const Row rows[] = {{1899, 12, 30, "1899-12-30 0"},      {1900, 1, 1, "1900-01-01 2"},
                        {2024, 13, 1, "2025-01-01 45658"},   {2024, 3, 0, "2024-02-29 45351"},
                        {2023, 3, 0, "2023-02-28 44985"},    {2024, 0, 1, "2023-12-01 45261"},
                        {2024, -11, 1, "2023-01-01 44927"},  {2024, 1, 366, "2024-12-31 45657"},
                        {1899, 11, 29, "1899-11-29 -31"},    {29, 1, 1, "2029-01-01 47119"},
                        {30, 1, 1, "1930-01-01 10959"},      {100, 1, 1, "0100-01-01 -657434"},
                        {9999, 12, 31, "9999-12-31 2958465"}};
    for (const Row& row : rows) {
        const Date date = Dates::DateSerial(row.year, row.month, row.day);
        EXPECT_EQ(Iso(date).left(11) + QString::number(date.Serial, 'f', 0), row.date);
    }
    for (auto [y, m, d] :
         {std::tuple{10000, 1, 1}, std::tuple{9999, 12, 32}, std::tuple{100, 0, 1}, std::tuple{-1, 1, 1}}) {
        EXPECT_EQ(test::Outcome([y = y, m = m, d = d] { return Iso(Dates::DateSerial(y, m, d)); }),
                  "5-Invalid procedure call or argument")
            << y << "-" << m << "-" << d;
    }
}

TEST(Dates, NegativeSerialsKeepTheTimeForwards) {
    // -1.25 is 1899-12-29 06:00; one hour later is still that day at 07:00.
    EXPECT_EQ(Iso(Dates::AddHours(Date(-1.25), 1)), "1899-12-29 07:00:00");
    // crossing day 0 from below and back
    EXPECT_EQ(Iso(Dates::AddHours(Date(-1.75), 24)), "1899-12-30 18:00:00");
    EXPECT_DOUBLE_EQ(Dates::AddHours(Date(0.25), -12).Serial, -1.75);
}

// Both ends as the service writes timestamps.
TEST(Dates, DifferencesCountBoundariesCrossed) {
    const struct {
        const char *from, *to;
        int64_t hours, seconds, days;
    } rows[] = {{"20240101105959", "20240101110000", 1, 1, 0},
                {"20240101100000", "20240101105959", 0, 3599, 0},
                {"20240101130000", "20240101000000", -13, -46800, 0},
                {"20240101233000", "20240102001000", 1, 2400, 1},
                {"18991229230000", "18991230010000", 2, 7200, 1},
                {"18991229063000", "18991229055900", -1, -1860, 0}};
    for (const auto& row : rows) {
        const Date from = Common::ToDate(row.from), to = Common::ToDate(row.to);
        SCOPED_TRACE(std::string(row.from) + " to " + row.to);
        EXPECT_EQ(Dates::DiffHours(from, to), row.hours);
        EXPECT_EQ(Dates::DiffSeconds(from, to), row.seconds);
        EXPECT_EQ(Dates::DiffDays(from, to), row.days);
    }
}

TEST(Dates, AddingSecondsIsExactAcrossManySteps) {
    Date t = Dates::DateSerial(2024, 3, 5);
    for (int i = 0; i < 86400; ++i)
        t = Dates::AddSeconds(t, 1);
    EXPECT_EQ(t, Dates::DateSerial(2024, 3, 6));
    EXPECT_EQ(Dates::FormatHHNNSS(Dates::AddSeconds(t, 3661)), "01:01:01");
    EXPECT_EQ(Dates::FormatHHNNSS(Dates::AddSeconds(t, 86399.6)), "00:00:00"); // rounds to the next midnight
    EXPECT_EQ(Dates::Weekday(Dates::DateSerial(2024, 3, 5)), 3);               // a Tuesday
    EXPECT_EQ(Dates::Weekday(Date(0)), 7);
    EXPECT_THROW(Dates::AddDays(Dates::DateSerial(9999, 12, 31), 1), RuntimeError);
}

// Set and AdvanceSeconds are every timed control test's; here the way back to the system's time.
TEST(Clock, AFrozenClockFollowsTheSystemAgainWhenTold) {
    const Date start = Dates::DateSerial(2024, 5, 1);
    Clock::Set(start);
    Clock::UseSystemTime();
    EXPECT_GT(Clock::Now().Serial, start.Serial);
}

} // namespace
} // namespace k7
