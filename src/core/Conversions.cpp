#include "core/Conversions_p.h"

#include "core/RuntimeError.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace k7 {

namespace {

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

enum class ReadOutcome { Ok, NotANumber, OutOfRange };

// Whether a well-formed number that does not fit a double is too small rather than too large:
// the power of ten of its first significant digit, plus its exponent, is negative.
bool IsBelowOne(std::string_view ascii) {
    int64_t integerDigits = 0, fractionZeros = 0;
    bool significant = false, fraction = false;
    size_t i = 0;
    for (; i < ascii.size() && ascii[i] != 'e'; ++i) {
        const char c = ascii[i];
        if (c == '.')
            fraction = true;
        else if (c >= '0' && c <= '9') {
            significant = significant || c != '0';
            if (!fraction && significant)
                ++integerDigits;
            else if (fraction && !significant)
                ++fractionZeros;
        }
    }
    int64_t exponent = 0;
    bool negativeExponent = false;
    for (++i; i < ascii.size(); ++i) {
        if (ascii[i] == '-')
            negativeExponent = true;
        else if (ascii[i] >= '0' && ascii[i] <= '9' && exponent < 1'000'000)
            exponent = exponent * 10 + (ascii[i] - '0');
    }
    const int64_t lead = integerDigits > 0 ? integerDigits - 1 : -(fractionZeros + 1);
    return lead + (negativeExponent ? -exponent : exponent) < 0;
}

// Reads "&H1F" / "&O17" radix literals (the whole remaining text must be digits of the radix).
ReadOutcome ReadRadixLiteral(QStringView body, double& result) {
    const int radix = (body[1] == u'H' || body[1] == u'h') ? 16 : 8;
    if (body.size() < 3)
        return ReadOutcome::NotANumber;
    uint64_t value = 0;
    for (qsizetype i = 2; i < body.size(); ++i) {
        const char16_t c = body[i].toUpper().unicode();
        const int digit = IsDigit(c) ? c - u'0' : (c >= u'A' && c <= u'F') ? c - u'A' + 10 : radix;
        if (digit >= radix)
            return ReadOutcome::NotANumber;
        value = value * radix + static_cast<uint64_t>(digit);
        if (value > 0xFFFFFFFFull)
            return ReadOutcome::OutOfRange;
    }
    // The runtime reads these literals as two's complement values whose width the digits give:
    // 16 bits for at most four hexadecimal (six octal) digits, 32 bits for more, so "&HFF00" is
    // -256 while "&H00FF00", the way colours are written, is 65280. Six octal digits can hold
    // more than 16 bits; such a value takes 32.
    const qsizetype digits = body.size() - 2;
    const bool sixteenBits = digits <= (radix == 16 ? 4 : 6) && value <= 0xFFFF;
    result = sixteenBits ? static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(value)))
                         : static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)));
    return ReadOutcome::Ok;
}

// Reads a whole text of the form [sign] digits [. digits] [e|d [sign] digits]; "d" is the
// runtime's double-precision exponent letter.
ReadOutcome ReadDecimal(QStringView text, double& result) {
    std::string ascii;
    ascii.reserve(static_cast<size_t>(text.size()));
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            ascii.push_back('-');
        ++i;
    }
    bool digits = false;
    while (i < text.size() && IsDigit(text[i].unicode())) {
        ascii.push_back(static_cast<char>(text[i++].unicode()));
        digits = true;
    }
    if (i < text.size() && text[i] == u'.') {
        ascii.push_back('.');
        ++i;
        while (i < text.size() && IsDigit(text[i].unicode())) {
            ascii.push_back(static_cast<char>(text[i++].unicode()));
            digits = true;
        }
    }
    if (!digits)
        return ReadOutcome::NotANumber;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
        ascii.push_back('e');
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
            ascii.push_back(static_cast<char>(text[i++].unicode()));
        bool expDigits = false;
        while (i < text.size() && IsDigit(text[i].unicode())) {
            ascii.push_back(static_cast<char>(text[i++].unicode()));
            expDigits = true;
        }
        if (!expDigits)
            return ReadOutcome::NotANumber;
    }
    if (i != text.size())
        return ReadOutcome::NotANumber;
    double value = 0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is an error.
        if (IsBelowOne(ascii)) {
            result = 0.0;
            return ReadOutcome::Ok;
        }
        return ReadOutcome::OutOfRange;
    }
    if (ec != std::errc() || end != ascii.data() + ascii.size())
        return ReadOutcome::NotANumber;
    result = value;
    return ReadOutcome::Ok;
}

ReadOutcome ReadNumber(QStringView text, double& result) {
    qsizetype first = 0, last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    const QStringView body = text.mid(first, last - first);
    if (body.isEmpty())
        return ReadOutcome::NotANumber;
    if (body.size() >= 2 && body[0] == u'&' &&
        (body[1] == u'H' || body[1] == u'h' || body[1] == u'O' || body[1] == u'o'))
        return ReadRadixLiteral(body, result);
    return ReadDecimal(body, result);
}

// printf's "%.<precision>G" or "%.<precision>f", but always with "." as decimal point: the C
// library's printf follows the process locale, which a Qt host sets from the environment, and a
// German host would write "12,5" where every reader of these texts expects "12.5".
QString Printed(double value, std::chars_format format, int precision) {
    char buffer[400]; // "%.0f" of the largest double has 309 digits
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision).ptr;
    for (char* c = buffer; c != end; ++c)
        if (*c >= 'a' && *c <= 'z') // "1e+20" -> "1E+20", "inf" -> "INF", as %G writes them
            *c = static_cast<char>(*c - 'a' + 'A');
    return QString::fromLatin1(buffer, end - buffer);
}

} // namespace

double RoundHalfEven(double value) {
    const double rounded = std::round(value); // halves away from zero
    if (std::fabs(value - std::trunc(value)) == 0.5)
        return 2.0 * std::round(value / 2.0);
    return rounded;
}

int16_t ToInteger(double value) {
    const double r = RoundHalfEven(value);
    if (!(r >= -32768.0 && r <= 32767.0))
        Raise(ErrorNumber::Overflow);
    return static_cast<int16_t>(r);
}

int32_t ToLong(double value) {
    const double r = RoundHalfEven(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        Raise(ErrorNumber::Overflow);
    return static_cast<int32_t>(r);
}

float ToSingle(double value) {
    if (std::isnan(value))
        return static_cast<float>(value);
    if (std::fabs(value) > static_cast<double>(FLT_MAX))
        Raise(ErrorNumber::Overflow);
    return static_cast<float>(value);
}

std::optional<double> ParseNumber(QStringView text) {
    double value = 0;
    if (ReadNumber(text, value) != ReadOutcome::Ok)
        return std::nullopt;
    return value;
}

double TextToDouble(QStringView text) {
    double value = 0;
    switch (ReadNumber(text, value)) {
    case ReadOutcome::Ok:
        return value;
    case ReadOutcome::OutOfRange:
        Raise(ErrorNumber::Overflow);
    case ReadOutcome::NotANumber:
        break;
    }
    Raise(ErrorNumber::TypeMismatch);
}

double Val(QStringView text) {
    // Blanks and line breaks anywhere are ignored; the longest leading number counts.
    QString compact;
    compact.reserve(text.size());
    for (QChar c : text)
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            compact.append(c);
    if (compact.size() >= 2 && compact[0] == u'&') {
        const QChar kind = compact[1].toUpper();
        if (kind == u'H' || kind == u'O') {
            qsizetype end = 2;
            while (end < compact.size() &&
                   (kind == u'H' ? compact[end].isDigit() ||
                                       (compact[end].toUpper() >= u'A' && compact[end].toUpper() <= u'F')
                                 : compact[end] >= u'0' && compact[end] <= u'7'))
                ++end;
            double value = 0;
            if (end > 2 && ReadRadixLiteral(QStringView(compact).left(end), value) == ReadOutcome::Ok)
                return value;
            return 0.0;
        }
    }
    // Try ever shorter prefixes of the longest run made of number characters.
    qsizetype end = 0;
    while (end < compact.size()) {
        const char16_t c = compact[end].unicode();
        if (!(IsDigit(c) || c == u'.' || c == u'+' || c == u'-' || c == u'e' || c == u'E' || c == u'd' ||
              c == u'D'))
            break;
        ++end;
    }
    for (qsizetype n = end; n > 0; --n) {
        double value = 0;
        const ReadOutcome outcome = ReadDecimal(QStringView(compact).left(n), value);
        if (outcome == ReadOutcome::Ok)
            return value;
        if (outcome == ReadOutcome::OutOfRange)
            Raise(ErrorNumber::Overflow);
    }
    return 0.0;
}

QString NumberToText(double value) {
    if (value == 0.0)
        return QStringLiteral("0");
    return Printed(value, std::chars_format::general, 15);
}

QString NumberToText(float value) {
    if (value == 0.0f)
        return QStringLiteral("0");
    return Printed(static_cast<double>(value), std::chars_format::general, 7);
}

QString FormatWholeNumber(double value) {
    const double rounded = std::round(value);
    if (rounded == 0.0)
        return QStringLiteral("0");
    return Printed(rounded, std::chars_format::fixed, 0);
}

} // namespace k7
