// The service's timestamps read and written, the dashboard's hour steps and the ceiling, with
// the runtime's roll-overs and failures.

#include "support/Checks.h"

#include "core/Common_p.h"

#include <gtest/gtest.h>

namespace k7 {
namespace {

using test::Outcome;

TEST(Common, ToDateReadsServiceTimestampsWithRollOver) {
    const std::pair<const char*, const char*> rows[] = {
        {"", "1899-12-30 00:00:00"},
        {"20240131", "2024-01-31 00:00:00"},
        {"20240131235959", "2024-01-31 23:59:59"},
        {"202401312359", "2024-01-31 00:00:00"}, // 12 characters keep midnight
        {"20241301", "2025-01-01 00:00:00"},
        {"20240131246000", "2024-02-01 01:00:00"}, // hours and minutes roll over too
        {"00000000", "1999-11-30 00:00:00"},       // year 0 read as 2000, month and day 0 roll back
        {"2024", "13-Type mismatch"},
        {"2024ab01", "13-Type mismatch"},
        {"2024013112xx00", "13-Type mismatch"},
        {"1e9 0101", "6-Overflow"}, // the year does not fit 16 bits
        {"99999999", "5-Invalid procedure call or argument"}};
    for (const auto& [text, outcome] : rows)
        EXPECT_EQ(Outcome([text = text] { return Dates::FormatIso(Common::ToDate(text)); }), outcome) << text;
}

TEST(Common, FormatWritesDatesBeforeDayZeroAndShortYears) {
    // The fuzz target holds every in-range stamp to this; a time before day 0 is the odd one.
    EXPECT_EQ(Common::FormatYYYYMMDDhhmmss(Common::ToDate("18991129070809")), "18991129070809");
    EXPECT_EQ(Common::FormatYYYYMMDDhhmmss(Dates::DateSerial(100, 1, 1)), "1000101000000"); // year not padded
}

// The last row has more hours than 16 bits hold.
TEST(Common, DashboardOversizeCountsHoursAndTwelveHourSteps) {
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"20240101000000", "20240101130000", "13 2"}, {"20240101000000", "20240101000000", "0 0"},
        {"20240101000000", "20240101120000", "12 1"}, {"20240102000000", "20240101000000", "-24 -2"},
        {"20240101", "20240108", "168 14"},           {"20000101", "20240101", "6-Overflow"}};
    for (const auto& [start, end, outcome] : rows) {
        int16_t hours = -99, steps = -99;
        EXPECT_EQ(Outcome([&, start = start, end = end] {
                      Common::TimeToAddDashboardOversize(start, end, hours, steps);
                      return QStringLiteral("%1 %2").arg(hours).arg(steps);
                  }),
                  outcome)
            << start << " " << end;
    }
}

TEST(Common, RoundUpLongIsTheCeiling) {
    const std::pair<double, const char*> rows[] = {
        {0.0001, "1"}, {2.0, "2"}, {-2.5, "-2"}, {2147483647, "2147483647"}, {2147483647.5, "6-Overflow"}};
    for (const auto& [input, outcome] : rows)
        EXPECT_EQ(Outcome([input = input] { return Common::RoundUpLong(input); }), outcome) << input;
}

} // namespace
} // namespace k7
