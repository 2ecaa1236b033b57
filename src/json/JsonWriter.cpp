#include "json/JsonWriter_p.h"

#include "json/JsonBag.h"
#include "json/JsonBagData_p.h"
#include "json/JsonFailure_p.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace k7 {

namespace {

constexpr std::array<bool, 128> MakeAsciiEscapeTable() {
    std::array<bool, 128> table{};
    for (int c = 0; c < 32; ++c)
        table[c] = true;
    table['"'] = true;
    table['\\'] = true;
    table[127] = true;
    return table;
}
constexpr std::array<bool, 128> kAsciiEscape = MakeAsciiEscapeTable();

// Characters written as \uXXXX: controls, and the invisible or direction-changing characters
// that would make a written document read differently than it holds (joiners, line and
// paragraph separators, bidi overrides, variation selectors, the byte order mark, the
// replacement character), plus every surrogate half so that the text stays valid even when the
// bag holds an unpaired one.
inline bool NeedsEscape(char16_t c) {
    if (c < 128)
        return kAsciiEscape[c];
    if (c < 160)
        return true;
    if (c < 0x034F)
        return false;
    return c == 0x034F || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) || c == 0x2060 ||
           (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xFE01 && c <= 0xFE0F) || c == 0xFEFF || c == 0xFFFD;
}

// The first code unit from `p` that is not printable ASCII other than a quote or backslash
// (those are the only characters that may need a closer look), eight at a time with SSE2.
const char16_t* SkipPlainAscii(const char16_t* p, const char16_t* end) {
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi16(u'"');
    const __m128i backslash = _mm_set1_epi16(u'\\');
    const __m128i lastControl = _mm_set1_epi16(31);
    const __m128i lastPlain = _mm_set1_epi16(126);
    for (; end - p >= 8; p += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i zero = _mm_setzero_si128();
        const __m128i control = _mm_cmpeq_epi16(_mm_subs_epu16(chunk, lastControl), zero);
        const __m128i high = _mm_xor_si128(_mm_cmpeq_epi16(_mm_subs_epu16(chunk, lastPlain), zero),
                                           _mm_cmpeq_epi16(zero, zero));
        const __m128i stop =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(chunk, quote), _mm_cmpeq_epi16(chunk, backslash)),
                         _mm_or_si128(control, high));
        if (const int mask = _mm_movemask_epi8(stop))
            return p + __builtin_ctz(unsigned(mask)) / 2;
    }
#endif
    while (p < end && *p >= 32 && *p <= 126 && *p != u'"' && *p != u'\\')
        ++p;
    return p;
}

QString NonFiniteText(double value) {
    if (std::isnan(value))
        return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
}

} // namespace

QString JsonWriter::Write(const JsonBagData& root) {
    JsonWriter writer(root);
    writer.Run(root);
    writer.out_.resize(writer.size_);
    return std::move(writer.out_);
}

JsonWriter::JsonWriter(const JsonBagData& root)
    : whitespace_(root.whitespace), indent_(root.whitespaceIndent), newLine_(root.whitespaceNewLine) {}

void JsonWriter::Run(const JsonBagData& root) {
    if (!Open(root, false, 0))
        return;
    while (!stack_.empty()) {
        Frame& frame = stack_.back();
        const auto& entries = frame.bag->entries;
        while (frame.next < entries.size() && entries[frame.next].dead)
            ++frame.next;
        if (frame.next == entries.size()) {
            Close(frame);
            stack_.pop_back();
        } else {
            const JsonEntry& entry = entries[frame.next++];
            const int level = frame.level + 1;
            const QString* name = frame.bag->isArray ? nullptr : &entry.name;
            if (name) {
                if (whitespace_)
                    AppendIndent(level);
                AppendQuoted(*name);
                Append(u':');
            }
            if (const JsonBag* child = JsonBagData::ChildOf(entry.value)) {
                // `frame` may dangle after this push; it is not used again in this round.
                if (Open(JsonBagData::Of(*child), name != nullptr, level))
                    continue;
            } else {
                WriteSimple(name, entry.value, level);
            }
        }
        if (!stack_.empty()) {
            Append(u',');
            if (whitespace_)
                Append(newLine_);
        }
    }
}

bool JsonWriter::Open(const JsonBagData& bag, bool named, int level) {
    if (whitespace_ && !named)
        AppendIndent(level);
    if (bag.Count() == 0) {
        Append(bag.isArray ? u'[' : u'{');
        Append(bag.isArray ? u']' : u'}');
        return false;
    }
    Append(bag.isArray ? u'[' : u'{');
    if (whitespace_)
        Append(newLine_);
    stack_.push_back(Frame{&bag, 0, level});
    return true;
}

void JsonWriter::Close(const Frame& frame) {
    const char16_t bracket = frame.bag->isArray ? u']' : u'}';
    if (!whitespace_) {
        data_[size_ - 1] = bracket; // over the last ","
        return;
    }
    // Back over the last "," and its line break (3 characters with the usual CR LF), then
    // break the line and close at the bag's own indentation.
    size_ -= 1 + newLine_.size();
    Append(newLine_);
    AppendIndent(frame.level);
    Append(bracket);
}

void JsonWriter::WriteSimple(const QString* name, const Variant& value, int level) {
    if (whitespace_ && !name)
        AppendIndent(level);
    char buffer[32];
    switch (value.Type()) {
    case VarType::Empty:
    case VarType::Null:
        AppendLatin1("null", 4);
        return;
    case VarType::Boolean:
        if (*value.Get<bool>())
            AppendLatin1("true", 4);
        else
            AppendLatin1("false", 5);
        return;
    case VarType::Byte: {
        auto end = std::to_chars(buffer, buffer + sizeof buffer, int(*value.Get<uint8_t>())).ptr;
        AppendLatin1(buffer, end - buffer);
        return;
    }
    case VarType::Integer: {
        auto end = std::to_chars(buffer, buffer + sizeof buffer, *value.Get<int16_t>()).ptr;
        AppendLatin1(buffer, end - buffer);
        return;
    }
    case VarType::Long: {
        auto end = std::to_chars(buffer, buffer + sizeof buffer, *value.Get<int32_t>()).ptr;
        AppendLatin1(buffer, end - buffer);
        return;
    }
    case VarType::Single:
        AppendFloating(*value.Get<float>(), name);
        return;
    case VarType::Double:
        AppendFloating(*value.Get<double>(), name);
        return;
    case VarType::Currency:
        AppendCurrency(value.Get<Currency>()->Scaled);
        return;
    case VarType::Decimal:
        Append(value.Get<Decimal>()->ToText());
        return;
    case VarType::String:
        AppendQuoted(*value.Get<QString>());
        return;
    default:
        FailUnsupported(name, value);
    }
}

void JsonWriter::FailUnsupported(const QString* name, const Variant& value) {
    if (value.IsObject())
        RaiseJsonError(JsonBagError::ForeignObject, QStringLiteral("JsonBag does not support VB6 Objects"));
    RaiseJsonError(JsonBagError::UnsupportedType, QStringLiteral("\"Item ") + (name ? *name : QString()) +
                                                      QStringLiteral("\" unknown/unsupported type = ") +
                                                      QString::number(int(value.Type())));
}

template <class Floating> void JsonWriter::AppendFloating(Floating value, const QString* name) {
    if (!std::isfinite(value))
        RaiseJsonError(JsonBagError::SerializeFailed, QStringLiteral("Item \"") + (name ? *name : QString()) +
                                                          QStringLiteral("\" value ") + NonFiniteText(value) +
                                                          QStringLiteral(" failed to serialize"));
    // The shortest digits that read back as the same number; plain notation from 1e-4 up to
    // 1e15 and exponent form ("1e+20", "1e-05") outside, as numbers have always been shown.
    char buffer[64];
    const Floating magnitude = std::fabs(value);
    if (magnitude < Floating(1e15) && value == std::trunc(value) && !(value == 0 && std::signbit(value))) {
        // Whole numbers, the bulk of any table: integer digits are the shortest form already.
        auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<int64_t>(value)).ptr;
        AppendLatin1(buffer, end - buffer);
        return;
    }
    // The shortest text picks plain or exponent form by length; correct it where that choice
    // differs from ours.
    auto shortest = std::to_chars(buffer, buffer + sizeof buffer, value);
    const char* exponentMark = static_cast<const char*>(std::memchr(buffer, 'e', shortest.ptr - buffer));
    if (exponentMark) {
        int exponent = 0;
        std::from_chars(exponentMark + 1 + (exponentMark[1] == '+'), shortest.ptr, exponent);
        if (exponent >= -4 && exponent < 15)
            shortest = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    } else if (magnitude >= Floating(1e15)) {
        shortest = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    }
    AppendLatin1(buffer, shortest.ptr - buffer);
}

void JsonWriter::AppendCurrency(int64_t scaled) {
    // Ten-thousandths: the whole part, then the fraction without trailing zeros.
    char buffer[32];
    char* at = buffer;
    uint64_t magnitude = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    if (scaled < 0)
        *at++ = '-';
    at = std::to_chars(at, buffer + sizeof buffer, magnitude / 10000).ptr;
    unsigned fraction = static_cast<unsigned>(magnitude % 10000);
    if (fraction != 0) {
        *at++ = '.';
        for (unsigned divisor = 1000; fraction != 0; divisor /= 10) {
            *at++ = char('0' + fraction / divisor);
            fraction %= divisor;
        }
    }
    AppendLatin1(buffer, at - buffer);
}

void JsonWriter::AppendQuoted(QStringView text) {
    const char16_t* p = reinterpret_cast<const char16_t*>(text.data());
    const char16_t* const end = p + text.size();
    Reserve(text.size() + 2);
    data_[size_++] = u'"';
    const char16_t* run = p;
    while (p < end) {
        p = SkipPlainAscii(p, end);
        if (p == end)
            break;
        if (NeedsEscape(*p)) {
            Append(QStringView(run, p - run));
            AppendEscape(*p);
            run = p + 1;
        }
        ++p;
    }
    Append(QStringView(run, end - run));
    Append(u'"');
}

void JsonWriter::AppendEscape(char16_t c) {
    char buffer[6] = {'\\', 0, 0, 0, 0, 0};
    switch (c) {
    case u'"':
        buffer[1] = '"';
        break;
    case u'\\':
        buffer[1] = '\\';
        break;
    case 8:
        buffer[1] = 'b';
        break;
    case 12:
        buffer[1] = 'f';
        break;
    case 10:
        buffer[1] = 'n';
        break;
    case 13:
        buffer[1] = 'r';
        break;
    case 9:
        buffer[1] = 't';
        break;
    default: {
        static constexpr char kHex[] = "0123456789ABCDEF";
        buffer[1] = 'u';
        for (int i = 0; i < 4; ++i)
            buffer[2 + i] = kHex[(c >> (12 - 4 * i)) & 0xF];
        AppendLatin1(buffer, 6);
        return;
    }
    }
    AppendLatin1(buffer, 2);
}

void JsonWriter::AppendIndent(int level) {
    const qsizetype count = qsizetype(level) * indent_;
    Reserve(count);
    std::fill_n(data_ + size_, count, u' ');
    size_ += count;
}

void JsonWriter::AppendLatin1(const char* text, qsizetype length) {
    Reserve(length);
    for (qsizetype i = 0; i < length; ++i)
        data_[size_ + i] = char16_t(static_cast<unsigned char>(text[i]));
    size_ += length;
}

void JsonWriter::Append(QStringView text) {
    if (text.isEmpty())
        return; // a null string has no data to copy from
    Reserve(text.size());
    std::memcpy(data_ + size_, text.data(), size_t(text.size()) * sizeof(char16_t));
    size_ += text.size();
}

void JsonWriter::Grow(qsizetype extra) {
    capacity_ = std::max(capacity_ * 2, size_ + extra + 512);
    out_.resize(capacity_);
    data_ = reinterpret_cast<char16_t*>(out_.data());
}

} // namespace k7
