#include "core/RuntimeError.h"
#include "service/Common.h"

#include <gtest/gtest.h>

namespace k7 {
namespace {

struct ToDateRow {
    const char* text;
    const char* iso; // nullptr: raises `error`
    int32_t error;
};

class ToDateTest : public ::testing::TestWithParam<ToDateRow> {};

TEST_P(ToDateTest, ReadsServiceTimestamps) {
    const auto& row = GetParam();
    try {
        const Date date = Common::ToDate(QString::fromUtf8(row.text));
        ASSERT_NE(row.iso, nullptr) << row.text << " should fail";
        EXPECT_EQ(Dates::FormatIso(date), row.iso) << row.text;
    } catch (const RuntimeError& e) {
        ASSERT_EQ(row.iso, nullptr) << row.text << ": " << e.what();
        EXPECT_EQ(e.Number(), row.error) << row.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ToDateTest,
    ::testing::Values(ToDateRow{"", "1899-12-30 00:00:00", 0}, ToDateRow{"20240131", "2024-01-31 00:00:00", 0},
                      ToDateRow{"20240131235959", "2024-01-31 23:59:59", 0},
                      ToDateRow{"202401312359", "2024-01-31 00:00:00", 0}, // 12 characters keep midnight
                      ToDateRow{"20241301", "2025-01-01 00:00:00", 0}, ToDateRow{"20240100", "2023-12-31 00:00:00", 0},
                      ToDateRow{"20240131246000", "2024-02-01 01:00:00", 0}, // hours and minutes roll over too
                      ToDateRow{"20240229", "2024-02-29 00:00:00", 0},
                      ToDateRow{"00290101", "2029-01-01 00:00:00", 0}, // a two-digit year, as the runtime reads it
                      ToDateRow{"2024", nullptr, ErrorNumber::TypeMismatch},
                      ToDateRow{"2024ab01", nullptr, ErrorNumber::TypeMismatch},
                      ToDateRow{"2024013112xx00", nullptr, ErrorNumber::TypeMismatch},
                      ToDateRow{"abcdefgh", nullptr, ErrorNumber::TypeMismatch},
                      ToDateRow{"1e9 0101", nullptr, ErrorNumber::Overflow}, // the year does not fit 16 bits
                      ToDateRow{"99999999", nullptr, ErrorNumber::InvalidProcedureCall},
                      ToDateRow{"00000000", "1999-11-30 00:00:00", 0}));

TEST(Common, FormatRoundTripsTimestampsOfFourDigitYears) {
    for (const char* stamp : {"20240305070809", "10000101000000", "99991231235959", "20000229120000", "18991230000000"})
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

struct OversizeRow {
    const char* start;
    const char* end;
    int16_t hours, steps;
};

class DashboardOversizeTest : public ::testing::TestWithParam<OversizeRow> {};

TEST_P(DashboardOversizeTest, CountsHoursAndTwelveHourSteps) {
    int16_t hours = -99, steps = -99;
    Common::TimeToAddDashboardOversize(GetParam().start, GetParam().end, hours, steps);
    EXPECT_EQ(hours, GetParam().hours);
    EXPECT_EQ(steps, GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(Rows, DashboardOversizeTest,
                         ::testing::Values(OversizeRow{"20240101000000", "20240101130000", 13, 2},
                                           OversizeRow{"20240101000000", "20240101000000", 0, 0},
                                           OversizeRow{"20240101000000", "20240101010000", 1, 1},
                                           OversizeRow{"20240101000000", "20240101120000", 12, 1},
                                           OversizeRow{"20240101000000", "20240102000000", 24, 2},
                                           OversizeRow{"20240101005959", "20240101010000", 1, 1},
                                           OversizeRow{"20240102000000", "20240101000000", -24, -2},
                                           OversizeRow{"20240101", "20240108", 168, 14}));

TEST(Common, DashboardSpanTooLongForSixteenBitsOverflows) {
    int16_t hours = 0, steps = 0;
    try {
        Common::TimeToAddDashboardOversize("20000101", "20240101", hours, steps);
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Number(), ErrorNumber::Overflow);
    }
}

TEST(Common, RoundUpLongIsTheCeiling) {
    const std::pair<double, int32_t> rows[] = {{0, 0},   {0.0001, 1}, {2.0, 2},          {2.1, 3},
                                               {-2.5, -2}, {-0.1, 0}, {2147483647, 2147483647}};
    for (const auto& [input, expected] : rows)
        EXPECT_EQ(Common::RoundUpLong(input), expected) << input;
    EXPECT_THROW(Common::RoundUpLong(2147483647.5), RuntimeError);
}

} // namespace
} // namespace k7
