#include "core/Conversions.h"
#include "core/RuntimeError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace k7 {
namespace {

struct RoundRow {
    double input;
    double expected;
};

class RoundHalfEvenTest : public ::testing::TestWithParam<RoundRow> {};

TEST_P(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, RoundHalfEvenTest,
                         ::testing::Values(RoundRow{0.5, 0}, RoundRow{1.5, 2}, RoundRow{2.5, 2}, RoundRow{3.5, 4},
                                           RoundRow{-0.5, 0}, RoundRow{-1.5, -2}, RoundRow{-2.5, -2},
                                           RoundRow{2.4999999, 2}, RoundRow{2.5000001, 3}, RoundRow{-2.6, -3},
                                           RoundRow{4.5, 4}, RoundRow{1e15 + 0.5, 1e15}));

TEST(IntegerConversions, RoundAndOverflowAtTheTypeBoundaries) {
    EXPECT_EQ(ToInteger(32767.4), 32767);
    EXPECT_EQ(ToInteger(-32768.5), -32768); // the half goes to the even -32768
    EXPECT_EQ(ToInteger(32766.5), 32766);
    EXPECT_EQ(ToLong(2147483647.4), 2147483647);
    EXPECT_EQ(ToLong(-2147483648.5), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ToLong(396.0000000001), 396);

    for (double overflowing : {32767.5, -32768.6, 1e10, std::nan("")}) {
        try {
            ToInteger(overflowing);
            ADD_FAILURE() << overflowing << " did not overflow";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Number(), ErrorNumber::Overflow);
            EXPECT_EQ(e.FailureText(), "6-Overflow");
        }
    }
    EXPECT_THROW(ToLong(2147483647.5), RuntimeError);
    EXPECT_THROW(ToSingle(1e39), RuntimeError);
    EXPECT_FLOAT_EQ(ToSingle(0.1), 0.1f);
}

struct ParseRow {
    const char* text;
    bool valid;
    double value;
};

class ParseNumberTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseNumberTest, ReadsWholeTextsOnly) {
    const auto& row = GetParam();
    const auto parsed = ParseNumber(QString::fromUtf8(row.text));
    ASSERT_EQ(parsed.has_value(), row.valid) << row.text;
    if (row.valid) {
        EXPECT_DOUBLE_EQ(*parsed, row.value) << row.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseNumberTest,
    ::testing::Values(ParseRow{"0", true, 0}, ParseRow{"9999", true, 9999}, ParseRow{" 12.5 ", true, 12.5},
                      ParseRow{"-.5", true, -0.5}, ParseRow{"5.", true, 5}, ParseRow{"+3", true, 3},
                      ParseRow{"1e5", true, 1e5}, ParseRow{"2.5E-3", true, 0.0025}, ParseRow{"1D2", true, 100},
                      ParseRow{"&H1F", true, 31}, ParseRow{"&HFFFF", true, -1}, ParseRow{"&O17", true, 15},
                      ParseRow{"", false, 0}, ParseRow{"  ", false, 0}, ParseRow{"abc", false, 0},
                      ParseRow{"12abc", false, 0}, ParseRow{"1e", false, 0}, ParseRow{"-", false, 0},
                      ParseRow{".", false, 0}, ParseRow{"1 2", false, 0}, ParseRow{"1,5", false, 0}));

TEST(TextToDouble, RaisesTypeMismatchOrOverflow) {
    try {
        TextToDouble(u"x");
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.FailureText(), "13-Type mismatch");
    }
    try {
        TextToDouble(u"1e999");
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Number(), ErrorNumber::Overflow);
    }
    EXPECT_EQ(TextToDouble(u"1e-999"), 0.0);
}

struct ValRow {
    const char* text;
    double value;
};

class ValTest : public ::testing::TestWithParam<ValRow> {};

TEST_P(ValTest, TakesTheLongestLeadingNumber) {
    EXPECT_DOUBLE_EQ(Val(QString::fromUtf8(GetParam().text)), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Rows, ValTest,
                         ::testing::Values(ValRow{"12abc", 12}, ValRow{"abc", 0}, ValRow{"", 0}, ValRow{" 1 2", 12},
                                           ValRow{"1e", 1}, ValRow{"1e3x", 1000}, ValRow{"-3.5-2", -3.5},
                                           ValRow{"&H10", 16}, ValRow{".5.5", 0.5}, ValRow{"12-Broken", 12}));

struct TextRow {
    double value;
    const char* text;
};

class NumberToTextTest : public ::testing::TestWithParam<TextRow> {};

TEST_P(NumberToTextTest, WritesUpToFifteenDigits) { EXPECT_EQ(NumberToText(GetParam().value), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(Rows, NumberToTextTest,
                         ::testing::Values(TextRow{0, "0"}, TextRow{-0.0, "0"}, TextRow{42, "42"},
                                           TextRow{0.1 + 0.2, "0.3"}, TextRow{1e20, "1E+20"},
                                           TextRow{123456789012345, "123456789012345"},
                                           TextRow{1e15, "1E+15"}, TextRow{0.0001, "0.0001"},
                                           TextRow{0.00001, "1E-05"}, TextRow{-2.5, "-2.5"}));

TEST(FormatWholeNumber, HalvesAwayFromZero) {
    const std::pair<double, const char*> rows[] = {{2.5, "3"},  {3.5, "4"},   {-2.5, "-3"}, {-0.4, "0"},
                                                   {0.49, "0"}, {1e20, "100000000000000000000"}};
    for (const auto& [value, text] : rows)
        EXPECT_EQ(FormatWholeNumber(value), text) << value;
}

} // namespace
} // namespace k7
