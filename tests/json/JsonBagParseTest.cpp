#include "JsonTestSupport.h"

#include "core/Decimal.h"

#include <gtest/gtest.h>

#include <charconv>
#include <random>
#include <string>

namespace k7::test {
namespace {

struct FailureRow {
    const char16_t* text;
    const char* failure; // the whole failure text: number, "-", description
};

void PrintTo(const FailureRow& row, std::ostream* out) {
    *out << QString::fromUtf16(row.text).toStdString();
}

class ParseFailure : public ::testing::TestWithParam<FailureRow> {};

TEST_P(ParseFailure, RaisesNumberAndMessageWithPosition) {
    auto bag = JsonBag::Create();
    EXPECT_EQ(FailureOf([&] { bag->SetJSON(QString::fromUtf16(GetParam().text)); }),
              QString::fromUtf8(GetParam().failure));
}

INSTANTIATE_TEST_SUITE_P(
    ErrorTable, ParseFailure,
    ::testing::Values(
        // top level
        FailureRow{u"", "-2147182176-Expected either { or [ at character 1"},
        FailureRow{u"<html>", "-2147182176-Expected either { or [ at character 1"},
        FailureRow{u"  x", "-2147182176-Expected either { or [ at character 3"},
        FailureRow{u"\r\n\t x", "-2147182176-Expected either { or [ at character 3"},
        FailureRow{u"\u00A0[]", "-2147182176-Expected either { or [ at character 1"},
        // objects
        FailureRow{u"{\"a\":1;}", "-2147182176-Expected , or } at character 6"},
        FailureRow{u"{a:1}", "-2147182176-Expected , or } at character 1"},
        FailureRow{u"{\"a\" 1}", "-2147182176-Expected : at character 6"},
        FailureRow{u"{\"a\"", "-2147182176-Expected : at character 5"},
        FailureRow{u"{,}", "-2147182304-Empty value at character 1"},
        FailureRow{u"{\"a\":1,,}", "-2147182304-Empty value at character 7"},
        FailureRow{u"{\"a\"::1}", "-2147182144-Unexpected \":\" at character 6"},
        FailureRow{u"{\"a\":}", "-2147182276-Bad value at character 6"},
        FailureRow{u"{\"a\":nul}", "-2147182276-Bad value at character 6"},
        // arrays
        FailureRow{u"[,1]", "-2147182304-Empty value at character 1"},
        FailureRow{u"[1,,2]", "-2147182304-Empty value at character 3"},
        FailureRow{u"[}", "-2147182276-Bad value at character 2"},
        FailureRow{u"[1 2 tru]", "-2147182276-Bad value at character 6"},
        FailureRow{u"[nul", "-2147182276-Bad value at character 2"},
        // the end of the text where a bracket or a value must come: the runtime's error 5
        FailureRow{u"{\"a\":\"x\"", "5-Invalid procedure call or argument"},
        FailureRow{u"[true", "5-Invalid procedure call or argument"},
        FailureRow{u"{\"a\":", "5-Invalid procedure call or argument"},
        FailureRow{u"[", "5-Invalid procedure call or argument"},
        // strings
        FailureRow{u"{\"a\":\"x", "-2147182176-Expected \" at character 8"},
        FailureRow{u"{\"a\":\"\\q\"}", "-2147182160-Bad string character escape at character 8"},
        FailureRow{u"{\"a\":\"x\\", "-2147182160-Bad string character escape at character 9"},
        FailureRow{u"{\"a\":\"\\u12G4\"}", "-2147182160-Bad string character escape at character 9"},
        FailureRow{u"[\"\\u12", "-2147182160-Bad string character escape at character 5"},
        FailureRow{u"{\"a\":\"x\ty\"}", "-2147182280-Invalid string character (hex 0009) at 8"},
        FailureRow{u"[\"ab\u001Fc\"]", "-2147182280-Invalid string character (hex 001F) at 5"},
        FailureRow{u"[\"a\\nb\u0001\"]", "-2147182280-Invalid string character (hex 0001) at 7"},
        // numbers
        FailureRow{u"{\"a\":1.2.3}", "-2147182300-Second decimal point at character 9"},
        FailureRow{u"{\"a\":-.5}", "-2147182296-Digit expected at character 7"},
        FailureRow{u"[1e+5-3]", "-2147182292-Second exponent sign at character 6"},
        FailureRow{u"[12", "-2147182288-Ran off end of JSON text while parsing a number"},
        FailureRow{u"[1e5", "-2147182288-Ran off end of JSON text while parsing a number"},
        FailureRow{u"{\"a\":1e999}", "-2147182284-Number overflow or parse error at character 6"},
        FailureRow{u"[ -]", "-2147182284-Number overflow or parse error at character 3"},
        FailureRow{u"[1e]", "-2147182284-Number overflow or parse error at character 2"},
        FailureRow{u"[1e5-3]", "-2147182284-Number overflow or parse error at character 2"},
        // positions count UTF-16 code units of the text without CR and LF
        FailureRow{u"\r\n[\r\n,1]", "-2147182304-Empty value at character 1"},
        FailureRow{u"[\"\U0001F600\",x]", "-2147182276-Bad value at character 7"},
        FailureRow{u"[\"a\r\nb\", ?]", "-2147182276-Bad value at character 8"}));

struct RoundTripRow {
    const char16_t* text;
    const char16_t* written;
};

void PrintTo(const RoundTripRow& row, std::ostream* out) {
    *out << QString::fromUtf16(row.text).toStdString();
}

class ParseAndWrite : public ::testing::TestWithParam<RoundTripRow> {};

TEST_P(ParseAndWrite, WritesTheDocumentBack) {
    auto bag = Parse(QString::fromUtf16(GetParam().text));
    const QString written = bag->JSON();
    EXPECT_EQ(written, QString::fromUtf16(GetParam().written));
    // What we write must read back to the same document.
    EXPECT_EQ(Parse(written)->JSON(), written);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, ParseAndWrite,
    ::testing::Values(
        RoundTripRow{u"{\"status\":0,\"data\":[1,2],\"message\":\"Success\"}",
                     u"{\"status\":0,\"data\":[1,2],\"message\":\"Success\"}"},
        RoundTripRow{u" \t{ \"a\" : [ ] , \"b\" : { } } ", u"{\"a\":[],\"b\":{}}"},
        // the last of a repeated name wins and moves to the end
        RoundTripRow{u"{\"a\":1,\"b\":2,\"a\":3}", u"{\"b\":2,\"a\":3}"},
        RoundTripRow{u"{\"a\":{\"x\":1},\"b\":2,\"a\":[3]}", u"{\"b\":2,\"a\":[3]}"},
        // missing and trailing commas are accepted
        RoundTripRow{u"[1 2,]", u"[1,2]"}, RoundTripRow{u"{\"a\":1 \"b\":2,}", u"{\"a\":1,\"b\":2}"},
        RoundTripRow{u"[truefalse\"x\"null]", u"[true,false,\"x\",null]"},
        RoundTripRow{u"{\"a\":tRuE,\"b\":FALSE,\"c\":Null}", u"{\"a\":true,\"b\":false,\"c\":null}"},
        // nothing after the top-level value is looked at
        RoundTripRow{u"[1]<html>", u"[1]"}, RoundTripRow{u"{}}}", u"{}"},
        // line breaks vanish everywhere, inside strings too; escaped ones are decoded
        RoundTripRow{u"[\"a\r\nb\",\r\n\"c\\r\\nd\"]", u"[\"ab\",\"c\\r\\nd\"]"},
        RoundTripRow{u"[\"\\N\\/\\B\\\"\\\\\\T\\F\"]", u"[\"\\n/\\b\\\"\\\\\\t\\f\"]"},
        RoundTripRow{u"[\"x\\u00e9\\u00E9\"]", u"[\"x\u00e9\u00e9\"]"},
        RoundTripRow{u"[\"\\ud83d\\ude00\U0001F600\"]", u"[\"\\uD83D\\uDE00\\uD83D\\uDE00\"]"},
        RoundTripRow{u"[\"\"]", u"[\"\"]"}, RoundTripRow{u"{\"\":{\"\":1},\"\":[\"\"]}", u"{\"\":[\"\"]}"},
        // numbers: shortest text that reads back, exponent outside 1e-4 .. 1e15
        RoundTripRow{u"[1.5e3,-0.25,1E2,0.1,1.,-0,007]", u"[1500,-0.25,100,0.1,1,-0,7]"},
        RoundTripRow{u"[100000,1e15,123456789012345.67,0.0001,0.00001,1e20]",
                     u"[100000,1e+15,123456789012345.67,0.0001,1e-05,1e+20]"},
        RoundTripRow{u"[0.30000000000000004,1.7976931348623157e308,5e-324,1e-400]",
                     u"[0.30000000000000004,1.7976931348623157e+308,5e-324,0]"}));

TEST(JsonBagParse, ReadsTheEnvelopeAsTheControlsDo) {
    auto doc = Parse(QStringLiteral("{\"status\":0,\"data\":[1,2],\"message\":\"Success\"}"));
    ASSERT_EQ(doc->Count(), 3);
    EXPECT_EQ(doc->Name(1), Variant(QStringLiteral("status")));
    EXPECT_EQ(doc->Name(3), Variant(QStringLiteral("message")));
    EXPECT_EQ(doc->Item(QStringLiteral("status")), Variant(0.0));
    EXPECT_EQ(doc->Item(QStringLiteral("message")), Variant(QStringLiteral("Success")));
    auto data = ChildOf(doc->Item(QStringLiteral("data")));
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->IsArray());
    EXPECT_EQ(data->Count(), 2);
    EXPECT_EQ(data->Item(1), Variant(1.0));
    // The chained access of the controls goes through Variant::Item.
    EXPECT_EQ(doc->Item(QStringLiteral("data")).Item(2), Variant(2.0));
}

TEST(JsonBagParse, DecimalModeReadsEveryLevelExactly) {
    const QString text = QStringLiteral("[0.1,{\"x\":[2.5,-1234567890.123456789012345678]},1e3,7.]");
    auto doc = Parse(text, true);
    EXPECT_EQ(doc->Item(1), Variant(*Decimal::FromText(u"0.1")));
    auto inner = ChildOf(ChildOf(doc->Item(2))->Item(QStringLiteral("x")));
    EXPECT_TRUE(inner->DecimalMode());
    EXPECT_EQ(inner->Item(1).Type(), VarType::Decimal);
    EXPECT_EQ(inner->Item(2), Variant(*Decimal::FromText(u"-1234567890.123456789012345678")));
    EXPECT_EQ(doc->JSON(), QStringLiteral("[0.1,{\"x\":[2.5,-1234567890.123456789012345678]},1000,7]"));
    // The same text in Double mode loses the digits a double cannot hold.
    EXPECT_EQ(Parse(text)->Item(1).Type(), VarType::Double);
    EXPECT_EQ(ChildOf(ChildOf(Parse(text)->Item(2))->Item(QStringLiteral("x")))->Item(2),
              Variant(-1234567890.123456789012345678));
    EXPECT_EQ(FailureOf([] { Parse(QStringLiteral("[1e40]"), true); }),
              QStringLiteral("-2147182284-Number overflow or parse error at character 2"));
}

TEST(JsonBagParse, NestingStopsAtOneThousandLevels) {
    const QString deepest = QString(1000, QLatin1Char('[')) + QString(1000, QLatin1Char(']'));
    auto doc = Parse(deepest);
    EXPECT_EQ(doc->JSON(), deepest);
    EXPECT_EQ(FailureOf([] { Parse(QString(1001, QLatin1Char('[')) + QString(1001, QLatin1Char(']'))); }),
              QStringLiteral("-2147182140-Nesting deeper than 1000 levels at character 1001"));
    // A flood of brackets fails the same way instead of exhausting the stack.
    EXPECT_EQ(FailureOf([] { Parse(QString(1'000'000, QLatin1Char('['))); }),
              QStringLiteral("-2147182140-Nesting deeper than 1000 levels at character 1001"));
}

TEST(JsonBagParse, FailureKeepsWhatWasCompleteAndNextParseStartsClean) {
    auto bag = JsonBag::Create();
    EXPECT_NE(FailureOf([&] { bag->SetJSON(QStringLiteral("[1,[2,3],[4,x")); }), QStringLiteral("no error"));
    EXPECT_EQ(bag->JSON(), QStringLiteral("[1,[2,3]]"));
    bag->SetJSON(QStringLiteral("{\"a\":1}"));
    EXPECT_FALSE(bag->IsArray());
    EXPECT_EQ(bag->JSON(), QStringLiteral("{\"a\":1}"));
}

// Numbers of every length and scale read as the correctly rounded double and write back to
// text that reads as the same double.
TEST(JsonBagParse, NumbersMatchTheExactConversion) {
    std::mt19937_64 random(42);
    for (int i = 0; i < 20000; ++i) {
        std::string text = (random() % 4 == 0) ? "-" : "";
        const int digits = 1 + int(random() % 19);
        const int point = int(random() % (digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point && d > 0)
                text += '.';
            text += char('0' + random() % 10);
        }
        if (random() % 5 == 0)
            text += "e" + std::to_string(int(random() % 60) - 30);
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        auto doc = Parse(QStringLiteral("[%1]").arg(QString::fromStdString(text)));
        ASSERT_EQ(doc->Item(1), Variant(expected)) << text;
        ASSERT_EQ(Parse(doc->JSON())->Item(1), Variant(expected)) << text;
    }
}

TEST(JsonBagParse, EveryCodeUnitSurvivesWriteAndRead) {
    for (int code = 0; code <= 0xFFFF; ++code) {
        auto bag = JsonBag::Create();
        bag->SetIsArray(true);
        const QString text = QString(QChar(char16_t(code))) + QStringLiteral("x");
        bag->SetItem(Variant::Null(), text);
        ASSERT_EQ(Parse(bag->JSON())->Item(1), Variant(text)) << "code unit " << code;
    }
}

} // namespace
} // namespace k7::test
