#include "support/Checks.h"

#include "core/Common.h"

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
        {"20240100", "2023-12-31 00:00:00"},
        {"20240131246000", "2024-02-01 01:00:00"}, // hours and minutes roll over too
        {"20240229", "2024-02-29 00:00:00"},
        {"00290101", "2029-01-01 00:00:00"}, // a two-digit year, as the runtime reads it
        {"00000000", "1999-11-30 00:00:00"},
        {"2024", "13-Type mismatch"},
        {"2024ab01", "13-Type mismatch"},
        {"2024013112xx00", "13-Type mismatch"},
        {"abcdefgh", "13-Type mismatch"},
        {"1e9 0101", "6-Overflow"}, // the year does not fit 16 bits
        {"99999999", "5-Invalid procedure call or argument"}};
    for (const auto& [text, outcome] : rows)
        EXPECT_EQ(Outcome([text = text] { return Dates::FormatIso(Common::ToDate(text)); }), outcome) << text;
}

TEST(Common, FormatRoundTripsTimestampsOfFourDigitYears) {
    for (const char* stamp :
         {"20240305070809", "10000101000000", "99991231235959", "20000229120000", "18991230000000"})
        EXPECT_EQ(Common::FormatYYYYMMDDhhmmss(Common::ToDate(stamp)), stamp);
    EXPECT_EQ(Common::FormatYYYYMMDDhhmmss(Dates::AddDays(Date(0), -31)), "18991129000000");
    EXPECT_EQ(Common::FormatYYYYMMDDhhmmss(Dates::DateSerial(100, 1, 1)), "1000101000000"); // year not padded
}

TEST(Common, SafeUboundOfEmptyAndMissingDimensions) {
    EXPECT_EQ(Common::SafeUbound(std::vector<int>{}), -1);
    EXPECT_EQ(Common::SafeUbound(std::vector<int>{1, 2, 3, 4, 5}), 4);
    EXPECT_EQ(Common::SafeUbound(std::vector<QString>{"a"}, 1), 0);
    EXPECT_EQ(Common::SafeUbound(std::vector<int>{1, 2}, 2), -1);
    const std::vector<std::vector<double>> grid(3, std::vector<double>(7));
    EXPECT_EQ(Common::SafeUbound(grid, 2), 6);
    EXPECT_EQ(Common::SafeUbound(grid, 3), -1);
}

TEST(Common, DashboardOversizeCountsHoursAndTwelveHourSteps) {
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"20240101000000", "20240101130000", "13 2"},   {"20240101000000", "20240101000000", "0 0"},
        {"20240101000000", "20240101010000", "1 1"},    {"20240101000000", "20240101120000", "12 1"},
        {"20240101000000", "20240102000000", "24 2"},   {"20240101005959", "20240101010000", "1 1"},
        {"20240102000000", "20240101000000", "-24 -2"}, {"20240101", "20240108", "168 14"},
        {"20000101", "20240101", "6-Overflow"}}; // more hours than 16 bits hold
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
    const std::pair<double, const char*> rows[] = {{0, "0"},
                                                   {0.0001, "1"},
                                                   {2.0, "2"},
                                                   {2.1, "3"},
                                                   {-2.5, "-2"},
                                                   {-0.1, "0"},
                                                   {2147483647, "2147483647"},
                                                   {2147483647.5, "6-Overflow"}};
    for (const auto& [input, outcome] : rows)
        EXPECT_EQ(Outcome([input = input] { return Common::RoundUpLong(input); }), outcome) << input;
}

} // namespace
} // namespace k7
