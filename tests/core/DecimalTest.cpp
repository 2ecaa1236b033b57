#include "core/Decimal.h"

#include <gtest/gtest.h>

namespace k7 {
namespace {

struct DecimalRow {
    const char* input;
    const char* text; // nullptr: not a decimal (overflow or malformed)
};

class DecimalTextTest : public ::testing::TestWithParam<DecimalRow> {};

TEST_P(DecimalTextTest, ReadsAndWritesExactly) {
    const auto& row = GetParam();
    const auto value = Decimal::FromText(QString::fromUtf8(row.input));
    if (!row.text) {
        EXPECT_FALSE(value.has_value()) << row.input;
        return;
    }
    ASSERT_TRUE(value.has_value()) << row.input;
    EXPECT_EQ(value->ToText(), row.text) << row.input;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DecimalTextTest,
    ::testing::Values(DecimalRow{"0.1", "0.1"}, DecimalRow{"0.10", "0.1"}, DecimalRow{"-0", "0"},
                      DecimalRow{"-12.5", "-12.5"}, DecimalRow{"1e5", "100000"}, DecimalRow{"1.5e-3", "0.0015"},
                      // the largest 96-bit mantissa, and one more
                      DecimalRow{"79228162514264337593543950335", "79228162514264337593543950335"},
                      DecimalRow{"79228162514264337593543950336", nullptr},
                      DecimalRow{"1e29", nullptr},
                      // 28 decimals at most; the 29th rounds half to even
                      DecimalRow{"0.00000000000000000000000000015", "0.0000000000000000000000000002"},
                      DecimalRow{"0.00000000000000000000000000025", "0.0000000000000000000000000002"},
                      DecimalRow{"0.000000000000000000000000000251", "0.0000000000000000000000000003"},
                      DecimalRow{"1e-40", "0"},
                      // too many digits for the mantissa: the scale gives way
                      DecimalRow{"1.23456789012345678901234567890123", "1.2345678901234567890123456789"},
                      DecimalRow{"", nullptr}, DecimalRow{"-", nullptr}, DecimalRow{"1e", nullptr},
                      DecimalRow{"1e5-3", nullptr}, DecimalRow{"1..2", nullptr}));

TEST(Decimal, EqualityIgnoresTrailingZerosAndSignOfZero) {
    EXPECT_EQ(*Decimal::FromText(u"0.1"), *Decimal::FromText(u"0.100"));
    EXPECT_EQ(*Decimal::FromText(u"-0"), *Decimal::FromText(u"0.00"));
    EXPECT_FALSE(*Decimal::FromText(u"0.1") == *Decimal::FromText(u"-0.1"));
    EXPECT_DOUBLE_EQ(Decimal::FromText(u"0.1")->ToDouble(), 0.1);
    EXPECT_EQ(Decimal::FromInt64(-42).ToText(), "-42");
    EXPECT_EQ(Decimal::FromDouble(0.1)->ToText(), "0.1");
}

} // namespace
} // namespace k7
