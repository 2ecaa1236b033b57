#pragma once

#include "orvelk7controls_export.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace k7 {

// The automation Decimal: a 96-bit unsigned integer, a sign and a power-of-ten scale 0..28.
// Only what reading and writing JSON numbers needs: exact conversion from text, back to text,
// and to double.
class K7_EXPORT Decimal {
public:
    static constexpr int MaxScale = 28;

    Decimal() = default;

    // Reads "[-]digits[.digits][e[+|-]digits]". Digits beyond what 96 bits can hold at the
    // largest scale that fits are rounded half to even; a value too large for 96 bits is nullopt.
    static std::optional<Decimal> FromText(QStringView text);
    static std::optional<Decimal> FromDouble(double value);
    static Decimal FromInt64(int64_t value);

    // Plain decimal text, no exponent, trailing fractional zeros dropped ("0.1", "-12", "0").
    QString ToText() const;
    double ToDouble() const;

    bool IsNegative() const noexcept { return negative_; }
    int Scale() const noexcept { return scale_; }
    bool IsZero() const noexcept { return high_ == 0 && low_ == 0; }

    // Numeric equality: 0.10 equals 0.1.
    friend K7_EXPORT bool operator==(const Decimal& a, const Decimal& b);

private:
    bool negative_ = false;
    uint8_t scale_ = 0;
    uint32_t high_ = 0; // bits 64..95 of the mantissa
    uint64_t low_ = 0;  // bits 0..63
};

} // namespace k7
