#include "json/JsonWriter_p.h"

#include "json/JsonBag.h"
#include "json/JsonBagData_p.h"
#include "json/JsonFailure_p.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <type_traits>

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

#if defined(__SSE2__)
// Two bits for every code unit of `chunk` that is not printable ASCII or is a quote or backslash.
inline int StopMask(__m128i chunk) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i control = _mm_cmpeq_epi16(_mm_subs_epu16(chunk, _mm_set1_epi16(31)), zero);
    const __m128i high = _mm_xor_si128(_mm_cmpeq_epi16(_mm_subs_epu16(chunk, _mm_set1_epi16(126)), zero),
                                       _mm_cmpeq_epi16(zero, zero));
    const __m128i special = _mm_or_si128(_mm_cmpeq_epi16(chunk, _mm_set1_epi16(u'"')),
                                         _mm_cmpeq_epi16(chunk, _mm_set1_epi16(u'\\')));
    return _mm_movemask_epi8(_mm_or_si128(special, _mm_or_si128(control, high)));
}
#endif

// The first code unit from `p` that is not printable ASCII other than a quote or backslash
// (those are the only characters that may need a closer look). With SSE2, eight at a time; a
// text shorter than eight (most member names) is looked at as two overlapping halves or
// quarters, and the tail of a longer one as the eight code units that end it, some of them seen
// already and plain, so that the first stop found is still the first one from `p`.
inline const char16_t* SkipPlainAscii(const char16_t* p, const char16_t* end) {
#if defined(__SSE2__)
    const auto first = [](const char16_t* at, int mask) { return at + __builtin_ctz(unsigned(mask)) / 2; };
    const auto eight = [](const char16_t* at) {
        return StopMask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
    };
    const auto four = [](const char16_t* at) {
        return StopMask(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at))) & 0xFF;
    };
    const auto two = [](const char16_t* at) {
        int32_t units;
        std::memcpy(&units, at, sizeof units);
        return StopMask(_mm_cvtsi32_si128(units)) & 0xF;
    };
    const ptrdiff_t length = end - p;
    if (length >= 8) {
        for (; end - p >= 8; p += 8) {
            if (const int mask = eight(p))
                return first(p, mask);
        }
        if (p != end) {
            if (const int mask = eight(end - 8))
                return first(end - 8, mask);
        }
        return end;
    }
    if (length >= 4) {
        if (const int mask = four(p))
            return first(p, mask);
        if (const int mask = four(end - 4))
            return first(end - 4, mask);
        return end;
    }
    if (length >= 2) {
        if (const int mask = two(p))
            return first(p, mask);
        if (const int mask = two(end - 2))
            return first(end - 2, mask);
        return end;
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

// Digits of a whole number, two at a time from the right.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

int DigitCount(uint64_t value) {
    int count = 1;
    for (;;) {
        if (value < 10)
            return count;
        if (value < 100)
            return count + 1;
        if (value < 1000)
            return count + 2;
        if (value < 10000)
            return count + 3;
        value /= 10000;
        count += 4;
    }
}

// Writes the last `count` decimal digits of `value` (with leading zeros) at `out`.
inline void WriteDigits(char16_t* out, uint64_t value, int count) {
    out += count;
    for (; count >= 2; count -= 2) {
        const unsigned pair = unsigned(value % 100) * 2;
        value /= 100;
        *--out = char16_t(kDigitPairs[pair + 1]);
        *--out = char16_t(kDigitPairs[pair]);
    }
    if (count)
        *--out = char16_t(u'0' + value % 10);
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The shortest plain text of a number of at most fifteen significant digits, without the general
// shortest-digits conversion (most fractional values of a reply have one to four decimals): the
// fewest decimals d whose rounding of `magnitude` (at least 1e-4, below 1e15, not whole) reads
// back as the same double, as `digits` / 10^d. Reading back is one correctly rounded division of
// two exact doubles, so the test is exact. Up to fifteen digits at most one decimal of a given
// length reads back as the same double, and a shorter one would have been found with fewer
// decimals (the product's rounding error is far below the half unit that could hide it), so this
// is exactly the shortest text the general conversion gives. Beyond fifteen digits it says no.
inline bool FindFewDecimals(double magnitude, uint64_t& digits, int& decimals) {
    for (int d = 1; d < int(std::size(kPowersOfTen)); ++d) {
        const double scaled = magnitude * kPowersOfTen[d];
        if (scaled >= 1e15)
            return false;
        const uint64_t rounded = static_cast<uint64_t>(scaled + 0.5); // exact below 2^52
        if (static_cast<double>(rounded) / kPowersOfTen[d] == magnitude) {
            digits = rounded;
            decimals = d;
            return true;
        }
    }
    return false;
}

// The two-character escapes; every other character that needs escaping is written as \uXXXX.
char ShortEscape(char16_t c) {
    switch (c) {
    case u'"':
        return '"';
    case u'\\':
        return '\\';
    case 8:
        return 'b';
    case 12:
        return 'f';
    case 10:
        return 'n';
    case 13:
        return 'r';
    case 9:
        return 't';
    default:
        return 0;
    }
}

// The characters a quoted text gains by its escapes.
qsizetype EscapeGrowth(const char16_t* p, const char16_t* end) {
    qsizetype growth = 0;
    while ((p = SkipPlainAscii(p, end)) < end) {
        if (NeedsEscape(*p))
            growth += ShortEscape(*p) ? 1 : 5;
        ++p;
    }
    return growth;
}

// Copies a run of code units. Most runs are short (member names, labels, numbers): those are
// moved as two overlapping blocks of fixed size, which beats both memcpy's call and a loop.
inline char16_t* CopyRun(char16_t* out, const char16_t* from, const char16_t* end) {
    const size_t length = size_t(end - from);
    if (length >= 8) {
        if (length > 16) {
            std::memcpy(out, from, length * sizeof(char16_t));
        } else {
            std::memcpy(out, from, 16);
            std::memcpy(out + length - 8, from + length - 8, 16);
        }
    } else if (length >= 4) {
        std::memcpy(out, from, 8);
        std::memcpy(out + length - 4, from + length - 4, 8);
    } else if (length >= 2) {
        std::memcpy(out, from, 4);
        std::memcpy(out + length - 2, from + length - 2, 4);
    } else if (length == 1) {
        *out = *from;
    }
    return out + length;
}

// The shortest digits that read back as the same number; plain notation from 1e-4 up to 1e15 and
// exponent form ("1e+20", "1e-05") outside, as numbers have always been shown.
template <class Floating> void AppendShortest(std::u16string& out, Floating value) {
    const Floating magnitude = std::fabs(value);
    if constexpr (std::is_same_v<Floating, double>) {
        uint64_t digits;
        int decimals;
        if (magnitude >= 1e-4 && magnitude < 1e15 && FindFewDecimals(magnitude, digits, decimals)) {
            char16_t buffer[24];
            char16_t* at = buffer;
            if (value < 0)
                *at++ = u'-';
            const uint64_t whole = digits / uint64_t(kPowersOfTen[decimals]);
            const int wholeDigits = DigitCount(whole);
            WriteDigits(at, whole, wholeDigits);
            at += wholeDigits;
            *at++ = u'.';
            WriteDigits(at, digits - whole * uint64_t(kPowersOfTen[decimals]), decimals);
            at += decimals;
            out.append(buffer, at);
            return;
        }
    }
    // The general conversion picks plain or exponent form by length; correct it where that choice
    // differs from ours.
    char buffer[64];
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
    out.append(buffer, shortest.ptr);
}

// Writes `from`..`end` with its escapes at `out` and returns the end of what it wrote.
[[gnu::noinline]] char16_t* WriteEscaped(char16_t* out, const char16_t* from, const char16_t* end) {
    const char16_t* run = from;
    const char16_t* p = from;
    while ((p = SkipPlainAscii(p, end)) < end) {
        if (NeedsEscape(*p)) {
            out = CopyRun(out, run, p);
            *out++ = u'\\';
            if (const char escape = ShortEscape(*p)) {
                *out++ = char16_t(escape);
            } else {
                static constexpr char kHex[] = "0123456789ABCDEF";
                *out++ = u'u';
                for (int i = 0; i < 4; ++i)
                    *out++ = char16_t(kHex[(*p >> (12 - 4 * i)) & 0xF]);
            }
            run = p + 1;
        }
        ++p;
    }
    return CopyRun(out, run, end);
}

} // namespace

QString JsonWriter::Write(const JsonBagData& root) {
    JsonWriter writer(root);
    writer.Walk<true>(root);
    QString text(writer.size_, Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(text.data());
    writer.at_ = begin;
    writer.sideAt_ = writer.side_.data();
    writer.Walk<false>(root);
    // Both walks take the same decisions on the same tree; a difference is a defect of this file,
    // and writing past the text would corrupt the heap, so it is not let through quietly.
    if (writer.at_ != begin + writer.size_)
        qFatal("JsonWriter: measured %lld characters, wrote %lld", static_cast<long long>(writer.size_),
               static_cast<long long>(writer.at_ - begin));
    return text;
}

JsonWriter::JsonWriter(const JsonBagData& root)
    : whitespace_(root.whitespace), indent_(root.whitespaceIndent), newLine_(root.whitespaceNewLine),
      stack_(16) {}

template <bool kMeasure> void JsonWriter::Walk(const JsonBagData& root) {
    depth_ = 0;
    // The object or array being written is kept here, outside the stack, which holds only its
    // ancestors.
    Frame frame = FrameOf(root, 0);
    if (!Open<kMeasure>(frame))
        return;
    for (;;) {
        const Frame enter = frame.bag ? WriteBagItems<kMeasure>(frame) : WriteNodeItems<kMeasure>(frame);
        if (enter.bag || enter.container) {
            if (depth_ == stack_.size())
                stack_.resize(stack_.size() * 2);
            stack_[depth_++] = frame;
            frame = enter;
            continue;
        }
        // Every object or array entered has an item, so a line break always precedes the bracket.
        if (whitespace_)
            WriteLineBreak<kMeasure>(frame.level);
        WriteChar<kMeasure>(IsArray(frame) ? u']' : u'}');
        if (depth_ == 0)
            return;
        frame = stack_[--depth_];
    }
}

JsonWriter::Frame JsonWriter::FrameOf(const JsonBagData& bag, int level) {
    if (bag.InArena())
        return Frame{nullptr, bag.arena.get(), bag.container, 0, level, false};
    return Frame{&bag, nullptr, nullptr, 0, level, false};
}

template <bool kMeasure> JsonWriter::Frame JsonWriter::WriteBagItems(Frame& frame) {
    const JsonEntry* const entries = frame.bag->entries.data();
    const size_t count = frame.bag->entries.size();
    const bool isArray = frame.bag->isArray;
    while (frame.next < count) {
        const JsonEntry& entry = entries[frame.next++];
        if (entry.dead)
            continue;
        if (frame.started)
            WriteChar<kMeasure>(u',');
        frame.started = true;
        if (whitespace_)
            WriteLineBreak<kMeasure>(frame.level + 1);
        const QString* name = isArray ? nullptr : &entry.name;
        if (name) {
            WriteName<kMeasure>(*name);
            WriteChar<kMeasure>(u':');
        }
        if (const JsonBag* child = JsonBagData::ChildOf(entry.value)) {
            const Frame inner = FrameOf(JsonBagData::Of(*child), frame.level + 1);
            if (Open<kMeasure>(inner))
                return inner;
        } else {
            WriteSimple<kMeasure>(name, entry.value);
        }
    }
    return Frame{};
}

template <bool kMeasure> JsonWriter::Frame JsonWriter::WriteNodeItems(Frame& frame) {
    const JsonArena& arena = *frame.arena;
    const JsonNode* const items = frame.container->items;
    const size_t count = frame.container->length;
    const bool isArray = frame.container->kind() == JsonNode::Array;
    // Only a document that handed out bags can have containers that were changed.
    const bool mayBeReplaced = !arena.HasNoBags();
    while (frame.next < count) {
        const JsonNode& item = items[frame.next++];
        if (frame.started)
            WriteChar<kMeasure>(u',');
        frame.started = true;
        if (whitespace_)
            WriteLineBreak<kMeasure>(frame.level + 1);
        const QString* name = isArray ? nullptr : &arena.names.Text(item.name());
        if (name) {
            WriteName<kMeasure>(*name);
            WriteChar<kMeasure>(u':');
        }
        if (!item.HoldsBag()) {
            WriteNode<kMeasure>(arena, name, item);
            continue;
        }
        Frame inner{nullptr, &arena, &item, 0, frame.level + 1, false};
        if (item.kind() == JsonNode::LinkedBag) {
            inner = FrameOf(JsonBagData::Of(*arena.Linked(item)), frame.level + 1);
        } else {
            // A container that was changed is written from the bag that replaced it.
            const JsonBag* known = mayBeReplaced ? arena.KnownBag(&item) : nullptr;
            if (known && JsonBagData::Of(*known).arena.get() != &arena) {
                inner = FrameOf(JsonBagData::Of(*known), frame.level + 1);
            } else if (IsFlat(item)) {
                WriteFlat<kMeasure>(arena, item, frame.level + 1);
                continue;
            }
        }
        if (Open<kMeasure>(inner))
            return inner;
    }
    return Frame{};
}

bool JsonWriter::IsFlat(const JsonNode& container) {
    if (container.length > kMaxFlat)
        return false;
    for (uint32_t i = 0; i < container.length; ++i)
        if (container.items[i].HoldsBag())
            return false;
    return true;
}

template <bool kMeasure>
void JsonWriter::WriteFlat(const JsonArena& arena, const JsonNode& container, int level) {
    const bool isArray = container.kind() == JsonNode::Array;
    WriteChar<kMeasure>(isArray ? u'[' : u'{');
    for (uint32_t i = 0; i < container.length; ++i) {
        const JsonNode& item = container.items[i];
        if (i > 0)
            WriteChar<kMeasure>(u',');
        if (whitespace_)
            WriteLineBreak<kMeasure>(level + 1);
        const QString* name = isArray ? nullptr : &arena.names.Text(item.name());
        if (name) {
            WriteName<kMeasure>(*name);
            WriteChar<kMeasure>(u':');
        }
        WriteNode<kMeasure>(arena, name, item);
    }
    if (whitespace_ && container.length > 0)
        WriteLineBreak<kMeasure>(level);
    WriteChar<kMeasure>(isArray ? u']' : u'}');
}

bool JsonWriter::IsArray(const Frame& frame) {
    return frame.bag ? frame.bag->isArray : frame.container->kind() == JsonNode::Array;
}

template <bool kMeasure> bool JsonWriter::Open(const Frame& frame) {
    WriteChar<kMeasure>(IsArray(frame) ? u'[' : u'{');
    if (frame.container) {
        if (frame.container->length > 0)
            return true;
    } else {
        // Whether the bag has a live item, from the items themselves: the first is nearly always
        // live, and the bag's count of dead ones lies on a cache line the walk needs for nothing
        // else.
        for (const JsonEntry& entry : frame.bag->entries) {
            if (!entry.dead)
                return true;
        }
    }
    WriteChar<kMeasure>(IsArray(frame) ? u']' : u'}');
    return false;
}

template <bool kMeasure>
void JsonWriter::WriteNode(const JsonArena& arena, const QString* name, const JsonNode& node) {
    switch (node.kind()) {
    case JsonNode::Number:
        WriteFloating<kMeasure>(node.number, name);
        return;
    case JsonNode::String:
        WriteQuoted<kMeasure>(QStringView(node.text, qsizetype(node.length)));
        return;
    case JsonNode::Null:
        WriteLatin1<kMeasure>("null", 4);
        return;
    case JsonNode::True:
        WriteLatin1<kMeasure>("true", 4);
        return;
    case JsonNode::False:
        WriteLatin1<kMeasure>("false", 5);
        return;
    case JsonNode::DecimalNumber:
        WriteConverted<kMeasure>([&](std::u16string& out) {
            const QString text = arena.decimals[node.index].ToText();
            out.append(reinterpret_cast<const char16_t*>(text.constData()), size_t(text.size()));
        });
        return;
    case JsonNode::Object:
    case JsonNode::Array:
    case JsonNode::LinkedBag:
        break;
    default:
        WriteEditedNode<kMeasure>(arena, name, node);
        return;
    }
}

template <bool kMeasure>
void JsonWriter::WriteEditedNode(const JsonArena& arena, const QString* name, const JsonNode& node) {
    WriteSimple<kMeasure>(name, arena.ValueOf(node));
}

template <bool kMeasure> void JsonWriter::WriteLineBreak(int level) {
    // The line break, then the indentation of `level`.
    const qsizetype spaces = qsizetype(level) * indent_;
    if constexpr (kMeasure) {
        size_ += newLine_.size() + spaces;
    } else {
        const char16_t* newLine = reinterpret_cast<const char16_t*>(newLine_.constData());
        at_ = CopyRun(at_, newLine, newLine + newLine_.size());
        at_ = std::fill_n(at_, spaces, u' ');
    }
}

template <bool kMeasure> void JsonWriter::WriteSimple(const QString* name, const Variant& value) {
    // The types of nearly every value of a reply first, without going through Type().
    if (const double* number = value.Get<double>()) {
        WriteFloating<kMeasure>(*number, name);
        return;
    }
    if (const QString* text = value.Get<QString>()) {
        WriteQuoted<kMeasure>(*text);
        return;
    }
    switch (value.Type()) {
    case VarType::Empty:
    case VarType::Null:
        WriteLatin1<kMeasure>("null", 4);
        return;
    case VarType::Boolean:
        if (*value.Get<bool>())
            WriteLatin1<kMeasure>("true", 4);
        else
            WriteLatin1<kMeasure>("false", 5);
        return;
    case VarType::Byte:
        WriteInteger<kMeasure>(*value.Get<uint8_t>());
        return;
    case VarType::Integer:
        WriteInteger<kMeasure>(*value.Get<int16_t>());
        return;
    case VarType::Long:
        WriteInteger<kMeasure>(*value.Get<int32_t>());
        return;
    case VarType::Single:
        WriteFloating<kMeasure>(*value.Get<float>(), name);
        return;
    case VarType::Double:
        WriteFloating<kMeasure>(*value.Get<double>(), name);
        return;
    case VarType::Currency:
        WriteConverted<kMeasure>([scaled = value.Get<Currency>()->Scaled](std::u16string& out) {
            // Ten-thousandths: the whole part, then the fraction without trailing zeros.
            char buffer[32];
            char* at = buffer;
            const uint64_t magnitude =
                scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
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
            out.append(buffer, at);
        });
        return;
    case VarType::Decimal:
        WriteConverted<kMeasure>([&value](std::u16string& out) {
            const QString text = value.Get<Decimal>()->ToText();
            out.append(reinterpret_cast<const char16_t*>(text.constData()), size_t(text.size()));
        });
        return;
    case VarType::String:
        WriteQuoted<kMeasure>(*value.Get<QString>());
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

template <bool kMeasure> void JsonWriter::WriteInteger(int64_t value) {
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    const int digits = DigitCount(magnitude);
    if constexpr (kMeasure) {
        size_ += digits + (value < 0);
    } else {
        if (value < 0)
            *at_++ = u'-';
        WriteDigits(at_, magnitude, digits);
        at_ += digits;
    }
}

template <bool kMeasure, class Floating> void JsonWriter::WriteFloating(Floating value, const QString* name) {
    if (kMeasure && !std::isfinite(value))
        RaiseJsonError(JsonBagError::SerializeFailed, QStringLiteral("Item \"") + (name ? *name : QString()) +
                                                          QStringLiteral("\" value ") + NonFiniteText(value) +
                                                          QStringLiteral(" failed to serialize"));
    if (std::fabs(value) < Floating(1e15)) {
        // Whole numbers, the bulk of any table: integer digits are the shortest form already
        // (but -0 keeps its sign).
        const int64_t whole = static_cast<int64_t>(value);
        if (static_cast<Floating>(whole) == value && !(whole == 0 && std::signbit(value))) {
            WriteInteger<kMeasure>(whole);
            return;
        }
    }
    WriteConverted<kMeasure>([value](std::u16string& out) { AppendShortest(out, value); });
}

template <bool kMeasure, class Convert> void JsonWriter::WriteConverted(Convert convert) {
    if constexpr (kMeasure) {
        const size_t lengthAt = side_.size();
        side_.push_back(0);
        convert(side_);
        const size_t length = side_.size() - lengthAt - 1; // a few dozen characters at most
        side_[lengthAt] = char16_t(length);
        size_ += qsizetype(length);
    } else {
        const size_t length = *sideAt_++;
        at_ = CopyRun(at_, sideAt_, sideAt_ + length);
        sideAt_ += length;
    }
}

template <bool kMeasure> inline void JsonWriter::WriteQuoted(QStringView text) {
    const char16_t* p = reinterpret_cast<const char16_t*>(text.data());
    const char16_t* const end = p + text.size();
    if constexpr (kMeasure) {
        const qsizetype growth = EscapeGrowth(p, end);
        size_ += text.size() + 2 + growth;
        escapes_ |= growth != 0;
    } else {
        *at_++ = u'"';
        // When nothing anywhere in the document needs escaping, the text is copied unseen.
        at_ = escapes_ ? WriteEscaped(at_, p, end) : CopyRun(at_, p, end);
        *at_++ = u'"';
    }
}

template <bool kMeasure> inline void JsonWriter::WriteName(const QString& name) {
    if constexpr (kMeasure) {
        // A parsed document's members share their names' characters (and copies of one name
        // share them too), so the escapes of a name are looked for once per distinct name.
        const char16_t* data = reinterpret_cast<const char16_t*>(name.constData());
        NameSeen& seen = namesSeen_[(reinterpret_cast<uintptr_t>(data) >> 4) % std::size(namesSeen_)];
        if (seen.data != data || seen.size != name.size() || !data) {
            seen.data = data;
            seen.size = name.size();
            seen.growth = EscapeGrowth(data, data + name.size());
            escapes_ |= seen.growth != 0;
        }
        size_ += seen.size + 2 + seen.growth;
    } else {
        WriteQuoted<false>(name);
    }
}

template <bool kMeasure> void JsonWriter::WriteLatin1(const char* text, qsizetype length) {
    if constexpr (kMeasure) {
        size_ += length;
    } else {
        for (qsizetype i = 0; i < length; ++i)
            *at_++ = char16_t(static_cast<unsigned char>(text[i]));
    }
}

} // namespace k7
