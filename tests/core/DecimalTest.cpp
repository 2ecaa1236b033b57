// The 96-bit decimal: exact reading and writing within its range and scale, and equality.

#include "core/Decimal.h"

#include <gtest/gtest.h>

namespace k7 {
namespace {

TEST(Decimal, ReadsAndWritesExactlyWithin96BitsAnd28Decimals) {
    // Input and the text written back, nullptr when the input is no decimal (overflow, malformed).
    // The largest 96-bit mantissa, and one more; 28 decimals at most, the 29th rounding half to
    // even; too many digits for the mantissa make the scale give way.
    const std::pair<const char*, const char*> rows[] = {
        {"0.10", "0.1"},
        {"-0", "0"},
        {"1e5", "100000"},
        {"1.5e-3", "0.0015"},
        {"79228162514264337593543950335", "79228162514264337593543950335"},
        {"79228162514264337593543950336", nullptr},
        {"0.00000000000000000000000000015", "0.0000000000000000000000000002"},
        {"0.00000000000000000000000000025", "0.0000000000000000000000000002"},
        {"0.000000000000000000000000000251", "0.0000000000000000000000000003"},
        {"1e-40", "0"},
        {"1.23456789012345678901234567890123", "1.2345678901234567890123456789"},
        {"", nullptr},
        {"1e", nullptr},
        {"1e5-3", nullptr},
        {"1..2", nullptr}};
    for (const auto& [input, text] : rows) {
        const auto value = Decimal::FromText(QString::fromUtf8(input));
        EXPECT_EQ(value ? value->ToText() : "none", text ? text : "none") << input;
    }
}

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
