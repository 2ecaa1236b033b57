#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace k7 {

// Numeric conversions with the runtime's rules, in one place. Every module rounds and reads
// numbers through these.

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double RoundHalfEven(double value);

// To 16- and 32-bit integers: halves to even, error 6 "Overflow" outside the range (or for NaN).
int16_t ToInteger(double value);
int32_t ToLong(double value);
// To single precision: error 6 when the magnitude exceeds the largest single.
float ToSingle(double value);

// Strict reading of a whole text as a number, as a conversion to a number type does: optional
// surrounding spaces, an optional sign, digits with an optional "." fraction and an optional
// exponent ("1e5", "2.5E-3"), or "&H"/"&O" literals. nullopt when the text is anything else.
std::optional<double> ParseNumber(QStringView text);
// The same, raising 13 "Type mismatch" when the text is not a number.
double TextToDouble(QStringView text);

// Lenient reading: the longest leading number, spaces anywhere ignored, 0 when there is none
// ("12abc" -> 12, "abc" -> 0, " 1 2" -> 12).
double Val(QStringView text);

// Number to text as the runtime writes it for display: up to 15 significant digits, no trailing
// zeros, exponent form "1E+20" / "1E-05" outside 1e-4 <= |x| < 1e15.
QString NumberToText(double value);
QString NumberToText(float value); // up to 7 significant digits

// The "#0" format: the nearest whole number, halves away from zero ("2.5" -> "3", "-0.4" -> "0").
QString FormatWholeNumber(double value);

} // namespace k7
