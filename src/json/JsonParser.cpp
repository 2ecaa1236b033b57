#include "json/JsonParser_p.h"

#include "core/Decimal.h"
#include "core/RuntimeError.h"
#include "json/JsonBag.h"
#include "json/JsonBagData_p.h"
#include "json/JsonFailure_p.h"

#include <algorithm>
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

JsonNode NumberNode(double value) {
    JsonNode node{};
    node.head = JsonNode::Head(JsonNode::Number, 0);
    node.number = value;
    return node;
}

} // namespace

void JsonParser::Parse(QStringView text, JsonBagData& root) {
    auto arena = std::make_shared<JsonArena>();
    arena->settings = root.Settings();
    // Line breaks never reach the parser: not between tokens, and not inside strings either (a
    // raw CR or LF in a string value simply disappears). Positions count what is left.
    const qsizetype firstBreak = FindLineBreak(text);
    const QString reduced = firstBreak < text.size() ? WithoutLineBreaks(text, firstBreak) : QString();
    JsonParser parser(firstBreak < text.size() ? QStringView(reduced) : text, *arena, root.decimalMode);
    try {
        parser.ParseDocument();
    } catch (...) {
        // The document keeps the items of its own that were complete.
        if (parser.rootKind_ == JsonNode::Null)
            throw;
        parser.pending_.truncate(parser.rootItems_);
        arena->rootNode = parser.CloseContainer(parser.rootKind_, 0, true);
        root.isArray = parser.rootKind_ == JsonNode::Array;
        root.arena = std::move(arena);
        root.container = &root.arena->rootNode;
        root.arena->root = &root;
        throw;
    }
    root.isArray = arena->rootNode.kind() == JsonNode::Array;
    root.arena = std::move(arena);
    root.container = &root.arena->rootNode;
    root.arena->root = &root;
}

JsonParser::JsonParser(QStringView text, JsonArena& arena, bool decimalMode)
    : text_(reinterpret_cast<const char16_t*>(text.data())), length_(text.size()), arena_(arena),
      decimalMode_(decimalMode) {}

void JsonParser::ParseDocument() {
    SkipWhitespace();
    if (cursor_ < length_) {
        const char16_t c = text_[cursor_];
        if (c == u'{' || c == u'[') {
            rootKind_ = c == u'[' ? JsonNode::Array : JsonNode::Object;
            ++cursor_;
            // Whatever follows the top-level value is not looked at: replies may carry trailers.
            arena_.rootNode = rootKind_ == JsonNode::Array ? ParseArray(1) : ParseObject(1);
            return;
        }
    }
    FailAt(JsonBagError::Expected, "Expected either { or [ at character ", cursor_ + 1);
}

JsonNode JsonParser::ParseObject(int depth) {
    const size_t base = pending_.size();
    if (shapes_.size() <= size_t(depth))
        shapes_.resize(size_t(depth) + 1);
    bool haveValue = false;
    for (;;) {
        SkipWhitespace();
        if (cursor_ >= length_)
            FailAtEnd();
        const char16_t c = text_[cursor_];
        if (c == u'"') {
            ++cursor_;
            const uint32_t name = ReadName(depth, pending_.size() - base);
            SkipWhitespace();
            if (cursor_ >= length_ || text_[cursor_] != u':')
                FailAt(JsonBagError::Expected, "Expected : at character ", cursor_ + 1);
            ++cursor_;
            JsonNode value = ParseValue(depth);
            value.head |= name;
            pending_.push_back(value);
            if (depth == 1)
                rootItems_ = pending_.size();
            haveValue = true;
        } else if (c == u',') {
            if (!haveValue)
                FailAt(JsonBagError::EmptyValue, "Empty value at character ", cursor_);
            haveValue = false;
            ++cursor_;
        } else if (c == u'}') {
            ++cursor_;
            return CloseContainer(JsonNode::Object, base, depth == 1);
        } else {
            FailAt(JsonBagError::Expected, "Expected , or } at character ", cursor_);
        }
    }
}

JsonNode JsonParser::ParseArray(int depth) {
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
            return CloseContainer(JsonNode::Array, base, depth == 1);
        } else {
            // No comma is required between items: anything else starts the next value.
            const JsonNode value = ParseValue(depth);
            pending_.push_back(value);
            if (depth == 1)
                rootItems_ = pending_.size();
            haveValue = true;
        }
    }
}

JsonNode JsonParser::CloseContainer(JsonNode::Kind kind, size_t base, bool isDocument) {
    // A member met twice keeps its last value, in the last place: what storing the members one
    // by one, each replacing an earlier one of its name, leaves.
    if (kind == JsonNode::Object && HasRepeatedName(base))
        KeepLastOfEachName(base);
    const size_t count = pending_.size() - base;
    if (count >= JsonNode::kMaxNames)
        RaiseStandardError(ErrorNumber::OutOfMemory);
    JsonNode node{};
    node.head = JsonNode::Head(kind, 0);
    node.length = uint32_t(count);
    node.items = nullptr;
    if (isDocument) {
        pending_.shrink_to_fit();
        arena_.rootItems = std::move(pending_);
        node.items = arena_.rootItems.data();
    } else if (count > 0) {
        JsonNode* items = arena_.nodes.Take(count);
        std::memcpy(static_cast<void*>(items), pending_.data() + base, count * sizeof(JsonNode));
        node.items = items;
    }
    pending_.truncate(base);
    return node;
}

bool JsonParser::HasRepeatedName(size_t base) {
    if (pending_.size() - base < 2)
        return false;
    if (lastSeen_.size() < arena_.names.Size())
        lastSeen_.resize(arena_.names.Size(), 0);
    ++round_;
    for (size_t i = base; i < pending_.size(); ++i) {
        uint32_t& seen = lastSeen_[pending_[i].name()];
        if (seen == round_)
            return true;
        seen = round_;
    }
    return false;
}

void JsonParser::KeepLastOfEachName(size_t base) {
    ++round_;
    // From the end: the first time a name is met there is its last member. The kept members
    // gather at the end, in their order, and then move down to `base`.
    size_t kept = pending_.size();
    for (size_t i = pending_.size(); i-- > base;) {
        uint32_t& seen = lastSeen_[pending_[i].name()];
        if (seen == round_)
            continue;
        seen = round_;
        pending_[--kept] = pending_[i];
    }
    const size_t count = pending_.size() - kept;
    std::memmove(static_cast<void*>(pending_.data() + base), pending_.data() + kept,
                 count * sizeof(JsonNode));
    pending_.truncate(base + count);
}

JsonNode JsonParser::ParseValue(int depth) {
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
        return c == u'[' ? ParseArray(depth + 1) : ParseObject(depth + 1);
    }
    if (c == u':')
        FailAt(JsonBagError::UnexpectedColon, "Unexpected \":\" at character ", cursor_ + 1);
    return ParseLiteral();
}

JsonNode JsonParser::ParseLiteral() {
    // Matched in any case, and the character after the word is not checked ("nullx" is null
    // followed by a value x): the replies we read were never stricter than that.
    const char16_t* at = text_ + cursor_;
    const qsizetype available = length_ - cursor_;
    JsonNode node{};
    if (MatchesLiteral(at, available, "null", 4)) {
        cursor_ += 4;
        node.head = JsonNode::Head(JsonNode::Null, 0);
    } else if (MatchesLiteral(at, available, "true", 4)) {
        cursor_ += 4;
        node.head = JsonNode::Head(JsonNode::True, 0);
    } else if (MatchesLiteral(at, available, "false", 5)) {
        cursor_ += 5;
        node.head = JsonNode::Head(JsonNode::False, 0);
    } else {
        FailAt(JsonBagError::BadValue, "Bad value at character ", cursor_ + 1);
    }
    return node;
}

JsonNode JsonParser::ReadString() {
    // Most strings hold no escape: find the closing quote and copy the span in one piece.
    const qsizetype start = cursor_;
    const qsizetype i = ScanPlain(text_, cursor_, length_);
    JsonNode node{};
    node.head = JsonNode::Head(JsonNode::String, 0);
    if (i < length_ && text_[i] == u'"') {
        cursor_ = i + 1;
        node.length = uint32_t(i - start);
        node.text = arena_.StoreText(text_ + start, size_t(i - start));
        return node;
    }
    cursor_ = i;
    ReadEscapedString(start);
    node.text = arena_.StoreText(escaped_.data(), escaped_.size());
    node.length = uint32_t(escaped_.size());
    return node;
}

uint32_t JsonParser::ReadName(int depth, size_t position) {
    std::vector<uint32_t>& shape = shapes_[size_t(depth)];
    if (position < shape.size() &&
        arena_.names.IsWrittenAt(shape[position], text_ + cursor_, length_ - cursor_)) {
        cursor_ += arena_.names.Text(shape[position]).size() + 1;
        return shape[position];
    }
    const qsizetype start = cursor_;
    const qsizetype i = ScanPlain(text_, cursor_, length_);
    uint32_t id;
    if (i < length_ && text_[i] == u'"') {
        cursor_ = i + 1;
        id = arena_.names.Intern(QStringView(text_ + start, i - start));
    } else {
        cursor_ = i;
        ReadEscapedString(start);
        id = arena_.names.Intern(QStringView(escaped_.data(), qsizetype(escaped_.size())));
    }
    if (id >= JsonNode::kMaxNames)
        RaiseStandardError(ErrorNumber::OutOfMemory);
    if (position < shape.size())
        shape[position] = id;
    else if (position == shape.size())
        shape.push_back(id);
    return id;
}

void JsonParser::ReadEscapedString(qsizetype start) {
    escaped_.assign(text_ + start, size_t(cursor_ - start));
    for (;;) {
        if (cursor_ >= length_)
            FailAt(JsonBagError::Expected, "Expected \" at character ", length_ + 1);
        const char16_t c = text_[cursor_];
        if (c == u'"') {
            ++cursor_;
            return;
        }
        if (c == u'\\') {
            ++cursor_;
            escaped_.push_back(ReadEscape());
            ++cursor_;
        } else if (c < 32) {
            const QString hex = QString::number(int(c), 16).toUpper().rightJustified(4, QLatin1Char('0'));
            RaiseJsonError(JsonBagError::InvalidStringCharacter,
                           QStringLiteral("Invalid string character (hex ") + hex + QStringLiteral(") at ") +
                               QString::number(cursor_ + 1));
        } else {
            const qsizetype end = ScanPlain(text_, cursor_ + 1, length_);
            escaped_.append(text_ + cursor_, size_t(end - cursor_));
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

JsonNode JsonParser::ReadNumber() {
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
    if (!decimalMode_ && !inExponent && digits >= 1 && digits <= 15 && fractionDigits <= 22) {
        const double magnitude = double(mantissa) / kPowersOfTen[fractionDigits];
        return NumberNode(negative ? -magnitude : magnitude);
    }
    number_.clear();
    for (qsizetype i = start; i < cursor_; ++i)
        number_.push_back(char(LowerAscii(text_[i])));
    return ConvertNumber(start);
}

JsonNode JsonParser::ConvertNumber(qsizetype start) {
    // What was collected is only [-0-9.e+] characters; the conversion decides whether they form
    // a number ("-", "1e" and "1e5-3" do not).
    const char* first = number_.data();
    const char* last = first + number_.size();
    if (decimalMode_) {
        // The reader of decimals wants digits after a point; "1." and "1.e5" mean 1 and 1e5.
        QString text;
        text.reserve(qsizetype(number_.size()));
        for (size_t i = 0; i < number_.size(); ++i)
            if (!(number_[i] == '.' &&
                  (i + 1 == number_.size() || number_[i + 1] < '0' || number_[i + 1] > '9')))
                text.append(QLatin1Char(number_[i]));
        if (std::optional<Decimal> value = Decimal::FromText(text)) {
            JsonNode node{};
            node.head = JsonNode::Head(JsonNode::DecimalNumber, 0);
            node.index = arena_.decimals.size();
            arena_.decimals.push_back(*value);
            return node;
        }
    } else {
        double value = 0;
        const auto [end, error] = std::from_chars(first, last, value);
        if (end == last) {
            if (error == std::errc())
                return NumberNode(value);
            if (error == std::errc::result_out_of_range && IsUnderflow(number_))
                return NumberNode(number_.front() == '-' ? -0.0 : 0.0);
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
