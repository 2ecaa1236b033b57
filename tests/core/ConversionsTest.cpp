// Numbers as the runtime converts them: rounding to integers, reading text (whole texts and
// leading numbers) and writing display texts.

#include "support/Checks.h"

#include "core/Conversions_p.h"

#include <gtest/gtest.h>

#include <cmath>

namespace k7 {
namespace {

using test::Outcome;

constexpr const char* kOverflow = "6-Overflow";
constexpr const char* kMismatch = "13-Type mismatch";

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    const std::pair<double, double> rows[] = {{0.5, 0},       {1.5, 2},       {2.5, 2},   {-2.5, -2},
                                              {2.4999999, 2}, {2.5000001, 3}, {-2.6, -3}, {1e15 + 0.5, 1e15}};
    for (const auto& [input, expected] : rows)
        EXPECT_EQ(RoundHalfEven(input), expected) << input;
}

TEST(IntegerConversions, RoundHalvesToEvenAndOverflowAtTheTypeBoundaries) {
    // ToInteger, then ToLong of the same value.
    const std::pair<double, const char*> rows[] = {{32767.4, "32767 32767"},
                                                   {-32768.5, "-32768 -32768"},
                                                   {32767.5, "6-Overflow 32768"},
                                                   {-32768.6, "6-Overflow -32769"},
                                                   {2147483647.4, "6-Overflow 2147483647"},
                                                   {-2147483648.5, "6-Overflow -2147483648"},
                                                   {2147483647.5, "6-Overflow 6-Overflow"},
                                                   {std::nan(""), "6-Overflow 6-Overflow"}};
    for (const auto& [input, outcome] : rows)
        EXPECT_EQ(Outcome([input = input] { return ToInteger(input); }) + u' ' +
                      Outcome([input = input] { return ToLong(input); }),
                  outcome)
            << input;
    EXPECT_EQ(Outcome([] { return ToSingle(1e39); }), kOverflow);
}

// TextToDouble gives the number or raises; ParseNumber gives nullopt where TextToDouble raises.
TEST(TextToNumber, ReadsWholeTextsOnly) {
    const std::pair<const char*, const char*> rows[] = {
        {" 12.5 ", "12.5"},   {"-.5", "-0.5"},  {"5.", "5"},          {"+3", "3"},
        {"2.5E-3", "0.0025"}, {"1D2", "100"},   {"&HFFFF", "-1"},     {"&H00FF00", "65280"},
        {"&O17", "15"},       {"1e-999", "0"},  {"1e999", kOverflow}, {"", kMismatch},
        {"1e", kMismatch},    {"-", kMismatch}, {"1 2", kMismatch},   {"1,5", kMismatch}};
    for (const auto& [text, outcome] : rows) {
        const QString input = QString::fromUtf8(text);
        EXPECT_EQ(Outcome([&] { return TextToDouble(input); }), outcome) << text;
        const bool fails = outcome == kMismatch || outcome == kOverflow;
        const std::optional<double> parsed = ParseNumber(input);
        EXPECT_EQ(parsed ? QString::number(*parsed) : "none", fails ? "none" : QString::fromUtf8(outcome))
            << text;
    }
}

TEST(Val, TakesTheLongestLeadingNumber) {
    const std::pair<const char*, double> rows[] = {{"12abc", 12},    {"abc", 0},   {" 1 2", 12}, {"1e", 1},
                                                   {"-3.5-2", -3.5}, {"&H10", 16}, {".5.5", 0.5}};
    for (const auto& [text, value] : rows)
        EXPECT_DOUBLE_EQ(Val(QString::fromUtf8(text)), value) << text;
    EXPECT_EQ(Outcome([] { return Val(u"9e999"); }), kOverflow);
}

// Display text (up to 15 digits, exponent outside 1e-4..1e15) and "#0" (halves away from zero).
TEST(NumberToText, WritesFifteenDigitsAndWholeNumbers) {
    // The display text, then "#0" of the same value.
    const std::pair<double, const char*> rows[] = {
        {-0.0, "0 0"},    {0.1 + 0.2, "0.3 0"}, {2.5, "2.5 3"},       {-2.5, "-2.5 -3"},
        {-0.4, "-0.4 0"}, {0.0001, "0.0001 0"}, {0.00001, "1E-05 0"}, {1e15, "1E+15 1000000000000000"}};
    for (const auto& [value, texts] : rows)
        EXPECT_EQ(NumberToText(value) + u' ' + FormatWholeNumber(value), texts);
    EXPECT_EQ(NumberToText(123456789012345.0), "123456789012345");
    EXPECT_EQ(FormatWholeNumber(1e20), "100000000000000000000");
    EXPECT_EQ(NumberToText(-1e-10f), "-1E-10"); // seven digits for singles
}

} // namespace
} // namespace k7
