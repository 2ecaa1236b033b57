#include "JsonTestSupport.h"

#include "core/Decimal.h"

#include <gtest/gtest.h>

#include <limits>

namespace k7::test {
namespace {

// --- strings

struct EscapeRow {
    char16_t code;
    const char* written; // between the quotes
};

void PrintTo(const EscapeRow& row, std::ostream* out) {
    *out << "U+" << std::hex << int(row.code);
}

class Escaping : public ::testing::TestWithParam<EscapeRow> {};

TEST_P(Escaping, WritesEachCharacterAsTheTableSays) {
    auto bag = JsonBag::Create();
    bag->SetItem(QString(QChar(GetParam().code)), QString(QChar(GetParam().code)));
    const QString quoted = QLatin1Char('"') + QString::fromUtf8(GetParam().written) + QLatin1Char('"');
    EXPECT_EQ(bag->JSON(), QLatin1Char('{') + quoted + QLatin1Char(':') + quoted + QLatin1Char('}'));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Escaping,
    ::testing::Values(EscapeRow{0, "\\u0000"}, EscapeRow{1, "\\u0001"}, EscapeRow{8, "\\b"},
                      EscapeRow{9, "\\t"}, EscapeRow{10, "\\n"}, EscapeRow{11, "\\u000B"},
                      EscapeRow{12, "\\f"}, EscapeRow{13, "\\r"}, EscapeRow{31, "\\u001F"},
                      EscapeRow{' ', " "}, EscapeRow{'"', "\\\""}, EscapeRow{'\\', "\\\\"},
                      EscapeRow{'/', "/"}, EscapeRow{'~', "~"}, EscapeRow{127, "\\u007F"},
                      EscapeRow{159, "\\u009F"}, EscapeRow{160, "\u00A0"}, EscapeRow{0xE9, "\u00E9"},
                      EscapeRow{0x34E, "\u034E"}, EscapeRow{0x34F, "\\u034F"}, EscapeRow{0x350, "\u0350"},
                      EscapeRow{0x200A, "\u200A"}, EscapeRow{0x200B, "\\u200B"}, EscapeRow{0x200F, "\\u200F"},
                      EscapeRow{0x2010, "\u2010"}, EscapeRow{0x2027, "\u2027"}, EscapeRow{0x2028, "\\u2028"},
                      EscapeRow{0x202E, "\\u202E"}, EscapeRow{0x202F, "\u202F"}, EscapeRow{0x2060, "\\u2060"},
                      EscapeRow{0x2061, "\u2061"}, EscapeRow{0xD800, "\\uD800"}, EscapeRow{0xDBFF, "\\uDBFF"},
                      EscapeRow{0xDFFF, "\\uDFFF"}, EscapeRow{0xE000, "\uE000"}, EscapeRow{0xFE00, "\uFE00"},
                      EscapeRow{0xFE01, "\\uFE01"}, EscapeRow{0xFE0F, "\\uFE0F"}, EscapeRow{0xFE10, "\uFE10"},
                      EscapeRow{0xFEFF, "\\uFEFF"}, EscapeRow{0xFFFD, "\\uFFFD"},
                      EscapeRow{0xFFFE, "\uFFFE"}));

TEST(JsonBagWrite, MixedStringEscapesOnlyWhatItMust) {
    auto bag = JsonBag::Create();
    bag->SetIsArray(true);
    bag->SetItem(Variant::Null(),
                 QString::fromUtf16(u"a\"b\\c\td\u0001e\u2028f") + QString(300, QLatin1Char('z')));
    EXPECT_EQ(bag->JSON(), QString::fromUtf16(u"[\"a\\\"b\\\\c\\td\\u0001e\\u2028f") +
                               QString(300, QLatin1Char('z')) + QStringLiteral("\"]"));
}

// --- numbers and other simple values

struct ValueRow {
    const char* label;
    Variant value;
    const char* written; // or the failure text
};

void PrintTo(const ValueRow& row, std::ostream* out) {
    *out << row.label;
}

class SimpleValues : public ::testing::TestWithParam<ValueRow> {};

TEST_P(SimpleValues, WriteAsTheShortestExactText) {
    auto bag = JsonBag::Create();
    bag->SetItem(QStringLiteral("v"), GetParam().value);
    const QString expected = QString::fromUtf8(GetParam().written);
    const QString outcome =
        FailureOf([&] { EXPECT_EQ(bag->JSON(), QStringLiteral("{\"v\":") + expected + '}'); });
    if (outcome != QStringLiteral("no error")) {
        EXPECT_EQ(outcome, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, SimpleValues,
    ::testing::Values(
        ValueRow{"true", true, "true"}, ValueRow{"false", false, "false"},
        ValueRow{"Null", Variant::Null(), "null"}, ValueRow{"Empty", Variant(), "null"},
        ValueRow{"1e20", 1e20, "1e+20"}, ValueRow{"half", 0.5, "0.5"}, ValueRow{"hundred", 100.0, "100"},
        ValueRow{"tiny", 1e-5, "1e-05"}, ValueRow{"third", 1.0 / 3, "0.3333333333333333"},
        ValueRow{"negative", -2.75e-300, "-2.75e-300"}, ValueRow{"single", 0.1f, "0.1"},
        ValueRow{"single big", 3e30f, "3e+30"}, ValueRow{"byte", uint8_t(255), "255"},
        ValueRow{"integer", int16_t(-32768), "-32768"}, ValueRow{"long", int32_t(2147483647), "2147483647"},
        ValueRow{"currency", Currency{125000}, "12.5"}, ValueRow{"currency small", Currency{-1}, "-0.0001"},
        ValueRow{"currency min", Currency{std::numeric_limits<int64_t>::min()}, "-922337203685477.5808"},
        ValueRow{"decimal", *Decimal::FromText(u"-79228162514264337593543950335"),
                 "-79228162514264337593543950335"},
        ValueRow{"decimal fraction", *Decimal::FromText(u"0.0000000000000000000000000001"),
                 "0.0000000000000000000000000001"},
        ValueRow{"date", Date(45000.5), "-2147182268-\"Item v\" unknown/unsupported type = 7"},
        ValueRow{"NaN", std::numeric_limits<double>::quiet_NaN(),
                 "-2147182272-Item \"v\" value NaN failed to serialize"},
        ValueRow{"infinity", -std::numeric_limits<float>::infinity(),
                 "-2147182272-Item \"v\" value -Infinity failed to serialize"}));

TEST(JsonBagWrite, FailureInsideAnArrayNamesNoItemAndNextWriteIsWhole) {
    auto bag = Parse(QStringLiteral("[1,[2]]"));
    auto inner = ChildOf(bag->Item(2));
    inner->SetItem(Variant::Null(), Date(1.0));
    EXPECT_EQ(FailureOf([&] { bag->JSON(); }),
              QStringLiteral("-2147182268-\"Item \" unknown/unsupported type = 7"));
    inner->Remove(2);
    EXPECT_EQ(bag->JSON(), QStringLiteral("[1,[2]]"));
}

// --- layout

struct LayoutRow {
    const char* label;
    const char16_t* text;
    int16_t indent;
    const char16_t* newLine;
    const char16_t* written;
};

void PrintTo(const LayoutRow& row, std::ostream* out) {
    *out << row.label;
}

class Layout : public ::testing::TestWithParam<LayoutRow> {};

TEST_P(Layout, WhitespaceIndentsAndBreaksLines) {
    auto bag = Parse(QString::fromUtf16(GetParam().text));
    bag->SetWhitespace(true);
    bag->SetWhitespaceIndent(GetParam().indent);
    bag->SetWhitespaceNewLine(QString::fromUtf16(GetParam().newLine));
    const QString written = bag->JSON();
    EXPECT_EQ(written, QString::fromUtf16(GetParam().written));
    // Indented text reads back to the same document.
    bag->SetWhitespace(false);
    EXPECT_EQ(Parse(written)->JSON(), bag->JSON());
}

INSTANTIATE_TEST_SUITE_P(
    Options, Layout,
    ::testing::Values(LayoutRow{"default", u"{\"a\":1,\"b\":[1,2]}", 4, u"\r\n",
                                u"{\r\n    \"a\":1,\r\n    \"b\":[\r\n        1,\r\n        2\r\n    ]\r\n}"},
                      LayoutRow{"empty containers", u"[{},[],{\"e\":[]}]", 2, u"\r\n",
                                u"[\r\n  {},\r\n  [],\r\n  {\r\n    \"e\":[]\r\n  }\r\n]"},
                      LayoutRow{"empty top level", u"{}", 4, u"\r\n", u"{}"},
                      LayoutRow{"LF only", u"[[1],\"x\"]", 1, u"\n", u"[\n [\n  1\n ],\n \"x\"\n]"},
                      LayoutRow{"three-character line break", u"{\"a\":null}", 3, u"\t\r\n",
                                u"{\t\r\n   \"a\":null\t\r\n}"}));

TEST(JsonBagWrite, CompactTextIsUnchangedByParsingAndWriting) {
    QString text = QStringLiteral("{\"status\":0,\"message\":\"Success\",\"data\":[{\"id\":\"P-1\",\"qty\":"
                                  "12.5,\"ok\":true,\"none\":null,"
                                  "\"nested\":{\"deeper\":[[],{},[1,-2,3e-07]]}}]}");
    EXPECT_EQ(Parse(text)->JSON(), text);
    EXPECT_EQ(Parse(text, true)->JSON(), text.replace(QStringLiteral("3e-07"), QStringLiteral("0.0000003")));
}

} // namespace
} // namespace k7::test
