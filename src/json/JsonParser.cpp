#include "json/JsonParser_p.h"

#include "core/Decimal.h"
#include "core/RuntimeError.h"
#include "json/JsonBag.h"
#include "json/JsonBagData_p.h"
#include "json/JsonFailure_p.h"

#include <charconv>
#include <iterator>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace k7 {

namespace {

constexpr char16_t LowerAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}
constexpr bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

int HexValue(char16_t c) {
    if (IsDigit(c))
        return c - u'0';
    c = LowerAscii(c);
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// The end of the run of plain string characters starting at `i`: the first double quote,
// backslash or control character, or `end`. Eight code units at a time where SSE2 is there.
qsizetype ScanPlain(const char16_t* text, qsizetype i, qsizetype end) {
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi16(u'"');
    const __m128i backslash = _mm_set1_epi16(u'\\');
    const __m128i lastControl = _mm_set1_epi16(31);
    for (; i + 8 <= end; i += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        // A code unit <= 31 saturates to zero when 31 is subtracted (unsigned).
        const __m128i control = _mm_cmpeq_epi16(_mm_subs_epu16(chunk, lastControl), _mm_setzero_si128());
        const __m128i stop = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi16(chunk, quote), _mm_cmpeq_epi16(chunk, backslash)), control);
        if (const int mask = _mm_movemask_epi8(stop))
            return i + __builtin_ctz(unsigned(mask)) / 2;
    }
#endif
    while (i < end && text[i] != u'"' && text[i] != u'\\' && text[i] >= 32)
        ++i;
    return i;
}

bool MatchesLiteral(const char16_t* at, qsizetype available, const char* literal, qsizetype length) {
    if (available < length)
        return false;
    for (qsizetype i = 0; i < length; ++i)
        if (LowerAscii(at[i]) != char16_t(literal[i]))
            return false;
    return true;
}

// True when a number that the conversion found out of range is too small rather than too large:
// the power of ten of its first significant digit is negative. Such a number reads as zero, the
// nearest double, as any careful reader of JSON does.
bool IsUnderflow(const std::string& text) {
    int64_t exponent = 0;
    int64_t leadPower = 0;
    bool found = false, afterPoint = false;
    int64_t integerDigits = 0, zerosAfterPoint = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] != 'e'; ++i) {
        char c = text[i];
        if (c == '.') {
            afterPoint = true;
        } else if (c >= '0' && c <= '9') {
            if (!found && c != '0') {
                found = true;
                leadPower = afterPoint ? -(zerosAfterPoint + 1) : 0;
            }
            if (found && !afterPoint)
                ++integerDigits;
            if (!found && afterPoint)
                ++zerosAfterPoint;
        }
    }
    if (!found)
        return true;
    if (!afterPoint || integerDigits > 0)
        leadPower = integerDigits - 1;
    if (i < text.size()) {
        bool negative = false;
        for (++i; i < text.size(); ++i) {
            char c = text[i];
            if (c == '-')
                negative = true;
            else if (c >= '0' && c <= '9' && exponent < 1'000'000'000)
                exponent = exponent * 10 + (c - '0');
        }
        if (negative)
            exponent = -exponent;
    }
    return leadPower + exponent < 0;
}

} // namespace

void JsonParser::Parse(QStringView text, JsonBagData& root) {
    JsonParser parser(text, root);
    parser.SkipWhitespace();
    if (parser.cursor_ < parser.length_) {
        const char16_t c = parser.text_[parser.cursor_];
        if (c == u'{' || c == u'[') {
            root.isArray = (c == u'[');
            ++parser.cursor_;
            if (root.isArray)
                parser.ParseArray(root, 1);
            else
                parser.ParseObject(root, 1);
            // Whatever follows the top-level value is not looked at: replies may carry trailers.
            return;
        }
    }
    FailAt(JsonBagError::Expected, "Expected either { or [ at character ", parser.cursor_ + 1);
}

JsonParser::JsonParser(QStringView text, const JsonBagData& root)
    : text_(reinterpret_cast<const char16_t*>(text.data())), length_(text.size()), root_(root) {}

void JsonParser::SkipWhitespace() {
    // CR and LF are gone by now, so only space and TAB can separate tokens.
    while (cursor_ < length_ && (text_[cursor_] == u' ' || text_[cursor_] == u'\t'))
        ++cursor_;
}

void JsonParser::ParseObject(JsonBagData& bag, int depth) {
    // The document itself stores straight away, so that a failure leaves it holding what was
    // complete; children gather their members first.
    const size_t base = pending_.size();
    bool haveValue = false;
    for (;;) {
        SkipWhitespace();
        if (cursor_ >= length_)
            FailAtEnd();
        const char16_t c = text_[cursor_];
        if (c == u'"') {
            ++cursor_;
            QString name = ReadName();
            SkipWhitespace();
            if (cursor_ >= length_ || text_[cursor_] != u':')
                FailAt(JsonBagError::Expected, "Expected : at character ", cursor_ + 1);
            ++cursor_;
            Variant value = ParseValue(depth);
            if (depth == 1)
                bag.SetMember(std::move(name), std::move(value));
            else
                pending_.emplace_back(std::move(name), std::move(value));
            haveValue = true;
        } else if (c == u',') {
            if (!haveValue)
                FailAt(JsonBagError::EmptyValue, "Empty value at character ", cursor_);
            haveValue = false;
            ++cursor_;
        } else if (c == u'}') {
            ++cursor_;
            if (depth > 1)
                MoveItemsInto(bag, base);
            return;
        } else {
            FailAt(JsonBagError::Expected, "Expected , or } at character ", cursor_);
        }
    }
}

void JsonParser::ParseArray(JsonBagData& bag, int depth) {
    const size_t base = pending_.size();
    bool haveValue = false;
    for (;;) {
        SkipWhitespace();
        if (cursor_ >= length_)
            FailAtEnd();
        const char16_t c = text_[cursor_];
        if (c == u',') {
            if (!haveValue)
                FailAt(JsonBagError::EmptyValue, "Empty value at character ", cursor_);
            haveValue = false;
            ++cursor_;
        } else if (c == u']') {
            ++cursor_;
            if (depth > 1)
                MoveItemsInto(bag, base);
            return;
        } else {
            // No comma is required between items: anything else starts the next value.
            Variant value = ParseValue(depth);
            if (depth == 1)
                bag.entries.emplace_back(QString(), std::move(value));
            else
                pending_.emplace_back(QString(), std::move(value));
            haveValue = true;
        }
    }
}

void JsonParser::MoveItemsInto(JsonBagData& bag, size_t base) {
    const auto first = pending_.begin() + std::ptrdiff_t(base);
    if (bag.isArray) {
        bag.entries.reserve(pending_.size() - base);
        bag.entries.insert(bag.entries.end(), std::make_move_iterator(first),
                           std::make_move_iterator(pending_.end()));
    } else {
        bag.AdoptMembers(first, pending_.end());
    }
    pending_.erase(first, pending_.end());
}

Variant JsonParser::ParseValue(int depth) {
    SkipWhitespace();
    if (cursor_ >= length_)
        FailAtEnd();
    const char16_t c = text_[cursor_];
    if (c == u'-' || IsDigit(c))
        return ReadNumber();
    if (c == u'"') {
        ++cursor_;
        return ReadString();
    }
    if (c == u'{' || c == u'[') {
        if (depth >= kMaxDepth)
            FailAt(JsonBagError::NestingTooDeep, "Nesting deeper than 1000 levels at character ",
                   cursor_ + 1);
        ++cursor_;
        std::shared_ptr<JsonBag> child = root_.NewChild(c == u'[');
        JsonBagData& data = JsonBagData::Of(*child);
        if (data.isArray)
            ParseArray(data, depth + 1);
        else
            ParseObject(data, depth + 1);
        return Variant(std::move(child));
    }
    if (c == u':')
        FailAt(JsonBagError::UnexpectedColon, "Unexpected \":\" at character ", cursor_ + 1);
    return ParseLiteral();
}

Variant JsonParser::ParseLiteral() {
    // Matched in any case, and the character after the word is not checked ("nullx" is null
    // followed by a value x): the replies we read were never stricter than that.
    const char16_t* at = text_ + cursor_;
    const qsizetype available = length_ - cursor_;
    if (MatchesLiteral(at, available, "null", 4)) {
        cursor_ += 4;
        return Variant::Null();
    }
    if (MatchesLiteral(at, available, "true", 4)) {
        cursor_ += 4;
        return Variant(true);
    }
    if (MatchesLiteral(at, available, "false", 5)) {
        cursor_ += 5;
        return Variant(false);
    }
    FailAt(JsonBagError::BadValue, "Bad value at character ", cursor_ + 1);
}

QString JsonParser::ReadString() {
    // Most strings hold no escape: find the closing quote and copy the span in one piece.
    const qsizetype start = cursor_;
    const qsizetype i = ScanPlain(text_, cursor_, length_);
    if (i < length_ && text_[i] == u'"') {
        cursor_ = i + 1;
        return QString(reinterpret_cast<const QChar*>(text_ + start), i - start);
    }
    cursor_ = i;
    return ReadEscapedString(start);
}

QString JsonParser::ReadName() {
    // A name without escapes that was read recently is shared instead of copied again.
    const qsizetype start = cursor_;
    const qsizetype i = ScanPlain(text_, cursor_, length_);
    if (i >= length_ || text_[i] != u'"') {
        cursor_ = i;
        return ReadEscapedString(start);
    }
    cursor_ = i + 1;
    const QStringView name(text_ + start, i - start);
    const size_t slot =
        name.isEmpty()
            ? 0
            : (size_t(name.size()) * 7 + name.front().unicode() * 3 + name.back().unicode()) % names_.size();
    QString& cached = names_[slot];
    if (cached.size() != name.size() ||
        (!name.isEmpty() &&
         std::memcmp(cached.constData(), name.data(), size_t(name.size()) * sizeof(char16_t)) != 0))
        cached = name.toString();
    return cached;
}

QString JsonParser::ReadEscapedString(qsizetype start) {
    QString result;
    result.reserve(cursor_ - start + 32);
    result.append(QStringView(text_ + start, cursor_ - start));
    for (;;) {
        if (cursor_ >= length_)
            FailAt(JsonBagError::Expected, "Expected \" at character ", length_ + 1);
        const char16_t c = text_[cursor_];
        if (c == u'"') {
            ++cursor_;
            return result;
        }
        if (c == u'\\') {
            ++cursor_;
            result.append(QChar(ReadEscape()));
            ++cursor_;
        } else if (c < 32) {
            const QString hex = QString::number(int(c), 16).toUpper().rightJustified(4, QLatin1Char('0'));
            RaiseJsonError(JsonBagError::InvalidStringCharacter,
                           QStringLiteral("Invalid string character (hex ") + hex + QStringLiteral(") at ") +
                               QString::number(cursor_ + 1));
        } else {
            const qsizetype end = ScanPlain(text_, cursor_ + 1, length_);
            result.append(QStringView(text_ + cursor_, end - cursor_));
            cursor_ = end;
        }
    }
}

char16_t JsonParser::ReadEscape() {
    // cursor_ is on the escape letter; it is left on the last character of the escape.
    if (cursor_ >= length_)
        FailAt(JsonBagError::BadEscape, "Bad string character escape at character ", cursor_ + 1);
    switch (LowerAscii(text_[cursor_])) {
    case u'"':
        return u'"';
    case u'\\':
        return u'\\';
    case u'/':
        return u'/';
    case u'b':
        return 8;
    case u'f':
        return 12;
    case u'n':
        return 10;
    case u'r':
        return 13;
    case u't':
        return 9;
    case u'u': {
        ++cursor_;
        if (length_ - cursor_ < 4)
            FailAt(JsonBagError::BadEscape, "Bad string character escape at character ", cursor_ + 1);
        int value = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = HexValue(text_[cursor_ + i]);
            if (digit < 0)
                FailAt(JsonBagError::BadEscape, "Bad string character escape at character ", cursor_ + 1);
            value = value * 16 + digit;
        }
        // Surrogate halves are taken one by one; two escapes in a row make the pair.
        cursor_ += 3;
        return char16_t(value);
    }
    default:
        FailAt(JsonBagError::BadEscape, "Bad string character escape at character ", cursor_ + 1);
    }
}

Variant JsonParser::ReadNumber() {
    // Every character the scan accepts belongs to the number's text, so the text is the span
    // from `start` to the cursor; it is only copied out when the fast conversion cannot serve.
    const qsizetype start = cursor_;
    const bool negative = text_[cursor_++] == u'-';
    bool seenPoint = false;
    bool inExponent = false;
    // The digits as an integer and the count after the point, while they stay exact.
    uint64_t mantissa = negative ? 0 : uint64_t(text_[start] - u'0');
    int digits = negative ? 0 : 1;
    int fractionDigits = 0;
    while (cursor_ < length_) {
        const char16_t c = LowerAscii(text_[cursor_]);
        if (IsDigit(c)) {
            mantissa = mantissa * 10 + (c - u'0');
            ++digits;
            fractionDigits += seenPoint;
        } else if (c == u'.') {
            if (seenPoint)
                FailAt(JsonBagError::SecondDecimalPoint, "Second decimal point at character ", cursor_ + 1);
            if (text_[cursor_ - 1] == u'-')
                FailAt(JsonBagError::DigitExpected, "Digit expected at character ", cursor_ + 1);
            seenPoint = true;
        } else if (c == u'e') {
            ++cursor_;
            inExponent = true;
            break;
        } else {
            break;
        }
        ++cursor_;
    }
    if (inExponent) {
        bool seenSign = false;
        while (cursor_ < length_) {
            const char16_t c = text_[cursor_];
            if (c == u'+' || c == u'-') {
                if (seenSign)
                    FailAt(JsonBagError::SecondExponentSign, "Second exponent sign at character ",
                           cursor_ + 1);
                seenSign = true;
            } else if (!IsDigit(c)) {
                break;
            }
            ++cursor_;
        }
    }
    // A number must be followed by something (at least the closing bracket).
    if (cursor_ >= length_)
        RaiseJsonError(JsonBagError::NumberRanOffEnd,
                       QStringLiteral("Ran off end of JSON text while parsing a number"));
    // Up to 15 digits and 22 decimals, the integer and the power of ten are both exact doubles,
    // so one division rounds correctly: the same double the full conversion gives, much faster.
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (!root_.decimalMode && !inExponent && digits >= 1 && digits <= 15 && fractionDigits <= 22) {
        const double magnitude = double(mantissa) / kPowersOfTen[fractionDigits];
        return Variant(negative ? -magnitude : magnitude);
    }
    number_.clear();
    for (qsizetype i = start; i < cursor_; ++i)
        number_.push_back(char(LowerAscii(text_[i])));
    return ConvertNumber(start);
}

Variant JsonParser::ConvertNumber(qsizetype start) const {
    // What was collected is only [-0-9.e+] characters; the conversion decides whether they form
    // a number ("-", "1e" and "1e5-3" do not).
    const char* first = number_.data();
    const char* last = first + number_.size();
    if (root_.decimalMode) {
        // The reader of decimals wants digits after a point; "1." and "1.e5" mean 1 and 1e5.
        QString text;
        text.reserve(qsizetype(number_.size()));
        for (size_t i = 0; i < number_.size(); ++i)
            if (!(number_[i] == '.' &&
                  (i + 1 == number_.size() || number_[i + 1] < '0' || number_[i + 1] > '9')))
                text.append(QLatin1Char(number_[i]));
        if (std::optional<Decimal> value = Decimal::FromText(text))
            return Variant(*value);
    } else {
        double value = 0;
        const auto [end, error] = std::from_chars(first, last, value);
        if (end == last) {
            if (error == std::errc())
                return Variant(value);
            if (error == std::errc::result_out_of_range && IsUnderflow(number_))
                return Variant(number_.front() == '-' ? -0.0 : 0.0);
        }
    }
    FailAt(JsonBagError::NumberConversion, "Number overflow or parse error at character ", start + 1);
}

void JsonParser::FailAt(int32_t number, const char* prefix, qsizetype position) {
    RaiseJsonError(number, QLatin1String(prefix) + QString::number(position));
}

void JsonParser::FailAtEnd() {
    // The text ended where an object or array needs a member, a comma or its closing bracket:
    // taking the missing character fails in the runtime itself.
    RaiseStandardError(ErrorNumber::InvalidProcedureCall);
}

} // namespace k7
