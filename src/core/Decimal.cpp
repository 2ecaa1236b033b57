#include "core/Decimal.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <tuple>

namespace k7 {

namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr Wide MaxMantissa = (Wide(1) << 96) - 1;

// The digits of `text` without sign and point, and the power of ten they are scaled by.
struct DecimalDigits {
    bool negative = false;
    std::string digits; // leading zeros removed
    int64_t exponent = 0;
};

std::optional<DecimalDigits> Scan(QStringView text) {
    DecimalDigits out;
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        out.negative = text[i++] == u'-';
    bool anyDigit = false;
    int64_t fractionDigits = 0;
    bool inFraction = false;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            anyDigit = true;
            if (!(out.digits.empty() && c == u'0'))
                out.digits.push_back(static_cast<char>(c));
            if (inFraction)
                ++fractionDigits;
        } else if (c == u'.' && !inFraction) {
            inFraction = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    int64_t exponent = 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool expNegative = false;
        if (i < n && (text[i] == u'-' || text[i] == u'+'))
            expNegative = text[i++] == u'-';
        bool expDigit = false;
        for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            expDigit = true;
            if (exponent < 100000)
                exponent = exponent * 10 + (text[i].unicode() - u'0');
        }
        if (!expDigit)
            return std::nullopt;
        if (expNegative)
            exponent = -exponent;
    }
    if (i != n)
        return std::nullopt;
    out.exponent = exponent - fractionDigits;
    return out;
}

// Value of digits[0, count) or nullopt when it exceeds what 128 bits hold.
std::optional<Wide> Accumulate(const std::string& digits, size_t count) {
    Wide value = 0;
    for (size_t i = 0; i < count; ++i) {
        if (value > (~Wide(0) - 9) / 10)
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(digits[i] - '0');
    }
    return value;
}

} // namespace

std::optional<Decimal> Decimal::FromText(QStringView text) {
    const auto scanned = Scan(text);
    if (!scanned)
        return std::nullopt;
    Decimal result;
    result.negative_ = scanned->negative;
    const std::string& digits = scanned->digits;
    if (digits.empty())
        return result; // zero
    const int64_t exponent = scanned->exponent;
    if (exponent >= 0) {
        if (static_cast<int64_t>(digits.size()) + exponent > 29)
            return std::nullopt;
        auto value = Accumulate(digits, digits.size());
        if (!value)
            return std::nullopt;
        for (int64_t e = 0; e < exponent; ++e) {
            if (*value > MaxMantissa / 10)
                return std::nullopt;
            *value *= 10;
        }
        if (*value > MaxMantissa)
            return std::nullopt;
        result.high_ = static_cast<uint32_t>(*value >> 64);
        result.low_ = static_cast<uint64_t>(*value);
        return result;
    }
    // value = digits x 10^exponent with exponent < 0: keep as many trailing digits as the scale
    // (at most 28) and the 96-bit mantissa allow, rounding what is dropped half to even.
    int64_t scale = -exponent;
    int64_t drop = scale > MaxScale ? scale - MaxScale : 0;
    const int64_t count = static_cast<int64_t>(digits.size());
    for (;;) {
        const int64_t keep = count - drop;
        Wide mantissa = 0;
        if (keep > 0) {
            auto kept = Accumulate(digits, static_cast<size_t>(keep));
            if (!kept || *kept > MaxMantissa) {
                if (scale - drop <= 0)
                    return std::nullopt;
                ++drop;
                continue;
            }
            mantissa = *kept;
        }
        if (keep >= 0 && drop > 0) {
            // The first dropped digit and whether anything after it is non-zero decide.
            const char first = digits[static_cast<size_t>(keep)];
            bool restNonZero = false;
            for (int64_t i = keep + 1; i < count && !restNonZero; ++i)
                restNonZero = digits[static_cast<size_t>(i)] != '0';
            const bool odd = (mantissa & 1) != 0;
            if (first > '5' || (first == '5' && (restNonZero || odd)))
                ++mantissa;
            if (mantissa > MaxMantissa) {
                if (scale - drop <= 0)
                    return std::nullopt;
                ++drop;
                continue;
            }
        }
        // keep < 0: everything dropped starts with an implied zero, so it rounds to zero.
        result.scale_ = static_cast<uint8_t>(std::max<int64_t>(0, scale - drop));
        result.high_ = static_cast<uint32_t>(mantissa >> 64);
        result.low_ = static_cast<uint64_t>(mantissa);
        return result;
    }
}

std::optional<Decimal> Decimal::FromDouble(double value) {
    // 16 significant digits ("1.000000000000000e-01"); "inf" and "nan" are no decimals. Not
    // printf: it writes the decimal point of the process locale, a comma on a German host.
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 15);
    return FromText(QString::fromLatin1(buffer, end.ptr - buffer));
}

Decimal Decimal::FromInt64(int64_t value) {
    Decimal result;
    result.negative_ = value < 0;
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    result.low_ = magnitude;
    return result;
}

QString Decimal::ToText() const {
    Wide mantissa = (Wide(high_) << 64) | low_;
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(mantissa % 10)));
        mantissa /= 10;
    } while (mantissa != 0);
    if (digits.size() <= scale_)
        digits.insert(digits.begin(), scale_ - digits.size() + 1, '0');
    if (scale_ > 0) {
        digits.insert(digits.end() - scale_, '.');
        while (digits.back() == '0')
            digits.pop_back();
        if (digits.back() == '.')
            digits.pop_back();
    }
    if (negative_ && digits != "0")
        digits.insert(digits.begin(), '-');
    return QString::fromLatin1(digits.data(), static_cast<qsizetype>(digits.size()));
}

double Decimal::ToDouble() const {
    // Not strtod, which stops at the "." of "0.5" under a comma-decimal locale. At most 29
    // digits and a scale of 28 always fit a double.
    const QByteArray text = ToText().toLatin1();
    double value = 0;
    std::from_chars(text.constData(), text.constData() + text.size(), value);
    return value;
}

bool operator==(const Decimal& a, const Decimal& b) {
    auto normal = [](const Decimal& d) {
        Wide m = (Wide(d.high_) << 64) | d.low_;
        int scale = d.scale_;
        while (scale > 0 && m % 10 == 0) {
            m /= 10;
            --scale;
        }
        return std::tuple(m != 0 && d.negative_, m, scale);
    };
    return normal(a) == normal(b);
}

} // namespace k7
