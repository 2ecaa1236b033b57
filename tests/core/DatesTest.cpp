#include "core/Clock.h"
#include "core/Date.h"
#include "core/RuntimeError.h"

#include <gtest/gtest.h>

namespace k7 {
namespace {

using Dates::Parts;

::testing::AssertionResult Is(Date date, Parts expected) {
    const Parts p = Dates::Split(date);
    if (p.Year == expected.Year && p.Month == expected.Month && p.Day == expected.Day && p.Hour == expected.Hour &&
        p.Minute == expected.Minute && p.Second == expected.Second)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "serial " << date.Serial << " is " << Dates::FormatIso(date).toStdString();
}

struct SerialRow {
    int year, month, day;
    Parts expected;
    double serial;
};

class DateSerialTest : public ::testing::TestWithParam<SerialRow> {};

TEST_P(DateSerialTest, RollsOverMonthsAndDays) {
    const auto& row = GetParam();
    const Date date = Dates::DateSerial(row.year, row.month, row.day);
    EXPECT_TRUE(Is(date, row.expected));
    EXPECT_EQ(date.Serial, row.serial);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DateSerialTest,
    ::testing::Values(SerialRow{1899, 12, 30, {1899, 12, 30}, 0}, SerialRow{1900, 1, 1, {1900, 1, 1}, 2},
                      SerialRow{2024, 1, 31, {2024, 1, 31}, 45322}, SerialRow{2024, 13, 1, {2025, 1, 1}, 45658},
                      SerialRow{2024, 3, 0, {2024, 2, 29}, 45351}, SerialRow{2023, 3, 0, {2023, 2, 28}, 44985},
                      SerialRow{2024, 0, 1, {2023, 12, 1}, 45261}, SerialRow{2024, -11, 1, {2023, 1, 1}, 44927},
                      SerialRow{2024, 1, 366, {2024, 12, 31}, 45657}, SerialRow{1899, 11, 29, {1899, 11, 29}, -31},
                      // two-digit years, as the runtime reads them
                      SerialRow{29, 1, 1, {2029, 1, 1}, 47119}, SerialRow{30, 1, 1, {1930, 1, 1}, 10959},
                      SerialRow{100, 1, 1, {100, 1, 1}, -657434}, SerialRow{9999, 12, 31, {9999, 12, 31}, 2958465}));

TEST(DateSerial, OutsideTheCalendarRaisesInvalidCall) {
    for (auto [y, m, d] : {std::tuple{10000, 1, 1}, std::tuple{9999, 12, 32}, std::tuple{100, 0, 1}, std::tuple{-1, 1, 1}}) {
        try {
            Dates::DateSerial(y, m, d);
            ADD_FAILURE() << y << "-" << m << "-" << d;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Number(), ErrorNumber::InvalidProcedureCall);
        }
    }
}

TEST(Dates, NegativeSerialsKeepTheTimeForwards) {
    // -1.25 is 1899-12-29 06:00; one hour later is still that day at 07:00.
    EXPECT_TRUE(Is(Date(-1.25), {1899, 12, 29, 6, 0, 0}));
    const Date later = Dates::AddHours(Date(-1.25), 1);
    EXPECT_TRUE(Is(later, {1899, 12, 29, 7, 0, 0}));
    EXPECT_DOUBLE_EQ(later.Serial, -1.0 - 7.0 / 24.0);
    // crossing day 0 from below and back
    EXPECT_TRUE(Is(Dates::AddHours(Date(-1.75), 24), {1899, 12, 30, 18, 0, 0}));
    EXPECT_DOUBLE_EQ(Dates::AddHours(Date(0.25), -12).Serial, -1.75);
    EXPECT_TRUE(Is(Dates::AddDays(Date(0), -31), {1899, 11, 29}));
}

struct DiffRow {
    Parts from, to;
    int64_t hours, seconds, days;
};

class DateDiffTest : public ::testing::TestWithParam<DiffRow> {};

Date Make(const Parts& p) {
    return Dates::AddSeconds(Dates::DateSerial(p.Year, p.Month, p.Day), p.Hour * 3600.0 + p.Minute * 60 + p.Second);
}

TEST_P(DateDiffTest, CountsBoundariesCrossed) {
    const auto& row = GetParam();
    EXPECT_EQ(Dates::DiffHours(Make(row.from), Make(row.to)), row.hours);
    EXPECT_EQ(Dates::DiffSeconds(Make(row.from), Make(row.to)), row.seconds);
    EXPECT_EQ(Dates::DiffDays(Make(row.from), Make(row.to)), row.days);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DateDiffTest,
    ::testing::Values(DiffRow{{2024, 1, 1, 10, 59, 59}, {2024, 1, 1, 11, 0, 0}, 1, 1, 0},
                      DiffRow{{2024, 1, 1, 10, 0, 0}, {2024, 1, 1, 10, 59, 59}, 0, 3599, 0},
                      DiffRow{{2024, 1, 1, 0, 0, 0}, {2024, 1, 1, 13, 0, 0}, 13, 46800, 0},
                      DiffRow{{2024, 1, 1, 13, 0, 0}, {2024, 1, 1, 0, 0, 0}, -13, -46800, 0},
                      DiffRow{{2024, 1, 1, 23, 30, 0}, {2024, 1, 2, 0, 10, 0}, 1, 2400, 1},
                      DiffRow{{1899, 12, 29, 23, 0, 0}, {1899, 12, 30, 1, 0, 0}, 2, 7200, 1},
                      DiffRow{{1899, 12, 29, 6, 30, 0}, {1899, 12, 29, 5, 59, 0}, -1, -1860, 0}));

TEST(Dates, AddingSecondsIsExactAcrossManySteps) {
    Date t = Dates::DateSerial(2024, 3, 5);
    for (int i = 0; i < 86400; ++i)
        t = Dates::AddSeconds(t, 1);
    EXPECT_EQ(t, Dates::DateSerial(2024, 3, 6));
    EXPECT_EQ(Dates::FormatHHNNSS(Dates::AddSeconds(t, 3661)), "01:01:01");
    EXPECT_EQ(Dates::FormatHHNNSS(Dates::AddSeconds(t, 86399.6)), "00:00:00"); // rounds to the next midnight
    EXPECT_EQ(Dates::Weekday(Dates::DateSerial(2024, 3, 5)), 3); // a Tuesday
    EXPECT_EQ(Dates::Weekday(Date(0)), 7);
    EXPECT_THROW(Dates::AddDays(Dates::DateSerial(9999, 12, 31), 1), RuntimeError);
}

TEST(Clock, FrozenClockAdvancesOnlyWhenTold) {
    const Date start = Dates::DateSerial(2024, 5, 1);
    Clock::Set(start);
    EXPECT_EQ(Clock::Now(), start);
    Clock::AdvanceSeconds(90);
    EXPECT_EQ(Dates::FormatHHNNSS(Clock::Now()), "00:01:30");
    Clock::UseSystemTime();
    EXPECT_FALSE(Clock::IsFrozen());
    EXPECT_GT(Clock::Now().Serial, start.Serial);
}

} // namespace
} // namespace k7
