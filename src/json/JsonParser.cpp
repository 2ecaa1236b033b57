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

// The index of the first CR or LF in `text`, or its size.
qsizetype FindLineBreak(QStringView text) {
    const char16_t* data = reinterpret_cast<const char16_t*>(text.data());
    const qsizetype end = text.size();
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi16(13);
    const __m128i lf = _mm_set1_epi16(10);
    for (; i + 8 <= end; i += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i hit = _mm_or_si128(_mm_cmpeq_epi16(chunk, cr), _mm_cmpeq_epi16(chunk, lf));
        if (const int mask = _mm_movemask_epi8(hit))
            return i + __builtin_ctz(unsigned(mask)) / 2;
    }
#endif
    while (i < end && data[i] != 13 && data[i] != 10)
        ++i;
    return i;
}

// `text` without its CR and LF characters; the first of them is at `firstBreak`.
QString WithoutLineBreaks(QStringView text, qsizetype firstBreak) {
    QString reduced(text.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(reduced.data());
    const char16_t* in = reinterpret_cast<const char16_t*>(text.data());
    std::memcpy(out, in, size_t(firstBreak) * sizeof(char16_t));
    qsizetype kept = firstBreak;
    for (qsizetype i = firstBreak; i < text.size(); ++i)
        if (in[i] != 13 && in[i] != 10)
            out[kept++] = in[i];
    reduced.truncate(kept);
    return reduced;
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
    // Line breaks never reach the parser: not between tokens, and not inside strings either (a
    // raw CR or LF in a string value simply disappears). Positions count what is left.
    const qsizetype firstBreak = FindLineBreak(text);
    if (firstBreak < text.size()) {
        const QString reduced = WithoutLineBreaks(text, firstBreak);
        JsonParser(reduced, root).ParseDocument(root);
    } else {
        JsonParser(text, root).ParseDocument(root);
    }
}

JsonParser::JsonParser(QStringView text, const JsonBagData& root)
    : text_(reinterpret_cast<const char16_t*>(text.data())), length_(text.size()), root_(root),
      names_(std::make_shared<JsonNameTable>()), bags_(names_) {
    pending_.reserve(64);
}

void JsonParser::ParseDocument(JsonBagData& root) {
    SkipWhitespace();
    if (cursor_ < length_) {
        const char16_t c = text_[cursor_];
        if (c == u'{' || c == u'[') {
            root.isArray = (c == u'[');
            ++cursor_;
            if (root.isArray)
                ParseArray(root, 1);
            else
                ParseObject(root, 1);
            // Whatever follows the top-level value is not looked at: replies may carry trailers.
            return;
        }
    }
    FailAt(JsonBagError::Expected, "Expected either { or [ at character ", cursor_ + 1);
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
            const JsonNameTable::Name& read = ReadName();
            // Taken out now: the table may grow while the value is parsed. The document itself
            // is not cut from the pool, so its own members hold their names.
            QString name = (depth > 1 && read.id != JsonNameTable::kNoId)
                               ? QString::fromRawData(read.text.constData(), read.text.size())
                               : read.text;
            const uint32_t hash = read.hash;
            const uint32_t nameId = read.id;
            SkipWhitespace();
            if (cursor_ >= length_ || text_[cursor_] != u':')
                FailAt(JsonBagError::Expected, "Expected : at character ", cursor_ + 1);
            ++cursor_;
            Variant value = ParseValue(depth);
            if (depth == 1)
                bag.SetMember(std::move(name), hash, std::move(value));
            else
                pending_.push_back({std::move(name), std::move(value), hash, nameId});
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
                pending_.push_back({QString(), std::move(value), 0, 0});
            haveValue = true;
        }
    }
}

void JsonParser::MoveItemsInto(JsonBagData& bag, size_t base) {
    const auto first = pending_.begin() + std::ptrdiff_t(base);
    if (bag.isArray) {
        bag.entries.reserve(pending_.size() - base);
        for (auto item = first; item != pending_.end(); ++item)
            bag.entries.emplace_back(QString(), std::move(item->value));
    } else if (HasRepeatedName(base)) {
        // The later member wins and takes the last place, as storing them one by one does.
        for (auto item = first; item != pending_.end(); ++item)
            bag.SetMember(std::move(item->name), item->hash, std::move(item->value));
    } else {
        bag.entries.reserve(pending_.size() - base);
        for (auto item = first; item != pending_.end(); ++item)
            bag.entries.emplace_back(std::move(item->name), std::move(item->value), item->hash);
    }
    pending_.erase(first, pending_.end());
}

bool JsonParser::HasRepeatedName(size_t base) {
    if (pending_.size() - base < 2)
        return false;
    if (lastSeen_.size() < names_->Size())
        lastSeen_.resize(names_->Size(), 0);
    ++round_;
    for (size_t i = base; i < pending_.size(); ++i) {
        const uint32_t nameId = pending_[i].nameId;
        if (nameId == JsonNameTable::kNoId)
            return true; // a name the table does not hold: let the bag compare texts
        uint32_t& seen = lastSeen_[nameId];
        if (seen == round_)
            return true;
        seen = round_;
    }
    return false;
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
        std::shared_ptr<JsonBag> child = bags_.MakeBag();
        JsonBagData& data = JsonBagData::Of(*child);
        data.isArray = (c == u'[');
        root_.PassSettingsTo(data);
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

const JsonNameTable::Name& JsonParser::ReadName() {
    const qsizetype start = cursor_;
    const qsizetype i = ScanPlain(text_, cursor_, length_);
    if (i < length_ && text_[i] == u'"') {
        cursor_ = i + 1;
        return names_->Intern(QStringView(text_ + start, i - start));
    }
    cursor_ = i;
    return names_->Intern(ReadEscapedString(start));
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
