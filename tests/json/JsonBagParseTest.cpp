// Reading JSON text: the document written back, or the failure with its number and position, for
// the accepted oddities of service replies and every error kind; decimals, nesting and numbers.

#include "JsonTestSupport.h"

#include <gtest/gtest.h>

#include <charconv>
#include <random>
#include <string>

namespace k7::test {
namespace {

struct ParseRow {
    const char16_t* text;
    const char16_t* outcome; // the document written back, or the whole failure text
};

const ParseRow kParseRows[] = {
    // failures: number, "-" and description with the position (1-based, in UTF-16 code units)
    {u"", u"-2147182176-Expected either { or [ at character 1"},
    {u"\r\n\t x", u"-2147182176-Expected either { or [ at character 3"},
    {u"\u00A0[]", u"-2147182176-Expected either { or [ at character 1"},
    // objects
    {u"{\"a\":1;}", u"-2147182176-Expected , or } at character 6"},
    {u"{\"a\"", u"-2147182176-Expected : at character 5"},
    {u"{,}", u"-2147182304-Empty value at character 1"},
    {u"{\"a\"::1}", u"-2147182144-Unexpected \":\" at character 6"},
    {u"{\"a\":}", u"-2147182276-Bad value at character 6"},
    // arrays
    {u"[1,,2]", u"-2147182304-Empty value at character 3"},
    {u"[nul", u"-2147182276-Bad value at character 2"},
    // the end of the text where a bracket or a value must come: the runtime's error 5
    {u"{\"a\":\"x\"", u"5-Invalid procedure call or argument"},
    {u"[true", u"5-Invalid procedure call or argument"},
    {u"{\"a\":", u"5-Invalid procedure call or argument"},
    // strings
    {u"{\"a\":\"x", u"-2147182176-Expected \" at character 8"},
    {u"{\"a\":\"\\q\"}", u"-2147182160-Bad string character escape at character 8"},
    {u"{\"a\":\"x\\", u"-2147182160-Bad string character escape at character 9"},
    {u"{\"a\":\"\\u12G4\"}", u"-2147182160-Bad string character escape at character 9"},
    {u"[\"\\u12", u"-2147182160-Bad string character escape at character 5"},
    {u"[\"ab\u001Fc\"]", u"-2147182280-Invalid string character (hex 001F) at 5"},
    {u"[\"a\\nb\u0001\"]", u"-2147182280-Invalid string character (hex 0001) at 7"},
    // numbers
    {u"{\"a\":1.2.3}", u"-2147182300-Second decimal point at character 9"},
    {u"{\"a\":-.5}", u"-2147182296-Digit expected at character 7"},
    {u"[1e+5-3]", u"-2147182292-Second exponent sign at character 6"},
    {u"[12", u"-2147182288-Ran off end of JSON text while parsing a number"},
    {u"{\"a\":1e999}", u"-2147182284-Number overflow or parse error at character 6"},
    {u"[ -]", u"-2147182284-Number overflow or parse error at character 3"},
    {u"[1e5-3]", u"-2147182284-Number overflow or parse error at character 2"},
    // positions count UTF-16 code units of the text without CR and LF
    {u"[\"\U0001F600\",x]", u"-2147182276-Bad value at character 7"},
    // documents
    {u" \t{ \"a\" : [ ] , \"b\" : { } } ", u"{\"a\":[],\"b\":{}}"},
    // the last of a repeated name wins and moves to the end
    {u"{\"a\":{\"x\":1},\"b\":2,\"a\":[3]}", u"{\"b\":2,\"a\":[3]}"},
    // missing and trailing commas are accepted
    {u"[1 2,]", u"[1,2]"},
    {u"{\"a\":1 \"b\":2,}", u"{\"a\":1,\"b\":2}"},
    {u"[tRuEFALSE\"x\"Null]", u"[true,false,\"x\",null]"},
    // nothing after the top-level value is looked at
    {u"[1]<html>", u"[1]"},
    // escape letters in any case; a surrogate pair escaped or not
    {u"[\"\\N\\R\\/\\B\\\"\\\\\\T\\F\"]", u"[\"\\n\\r/\\b\\\"\\\\\\t\\f\"]"},
    {u"[\"\\ud83d\\uDE00\U0001F600\"]", u"[\"\\uD83D\\uDE00\\uD83D\\uDE00\"]"},
    // numbers: shortest text that reads back, exponent outside 1e-4 .. 1e15
    {u"[1.5e3,-0.25,1E2,1.,-0,007,1e15,123456789012345.67,0.0001]",
     u"[1500,-0.25,100,1,-0,7,1e+15,123456789012345.67,0.0001]"},
    {u"[0.30000000000000004,1.7976931348623157e308,5e-324,1e-400]",
     u"[0.30000000000000004,1.7976931348623157e+308,5e-324,0]"},
    // the same name escaped and plain
    {u"[{\"a\":1,\"\\u0061\":2,\"b\":3}]", u"[{\"a\":2,\"b\":3}]"},
    // a child using the name in between must not hide the repetition in its parent
    {u"[{\"v\":1,\"w\":{\"v\":2,\"x\":3},\"v\":4}]", u"[{\"w\":{\"v\":2,\"x\":3},\"v\":4}]"},
    // the same names in sibling objects are no repetition
    {u"[{\"a\":1,\"b\":2},{\"b\":3,\"a\":4},{\"a\":5}]", u"[{\"a\":1,\"b\":2},{\"b\":3,\"a\":4},{\"a\":5}]"},
    // names differing only in case are different names
    {u"[{\"Id\":1,\"id\":2,\"ID\":3}]", u"[{\"Id\":1,\"id\":2,\"ID\":3}]"},
    {u"[{\"\":1,\"\":\"\"}]", u"[{\"\":\"\"}]"},
    // CR and LF vanish before parsing, wherever they stand; positions count the text without them
    {u"{\"status\":0,\r\n\"message\":\"x\"\r\n,\"data\":[1,2]\r\n;}",
     u"-2147182176-Expected , or } at character 38"},
    {u"{\"long\r\nname\":\"split\r\nacross lines\",\"n\":1\r\n2\r\n3}",
     u"{\"longname\":\"splitacross lines\",\"n\":123}"},
    {u"\r\n\r\n\r\n\r\n\r\n[tr\r\nue,nu\nll]\r\n", u"[true,null]"}};

// Reading back what was written is left to the fuzz target; these rows pin the text itself.
TEST(JsonBagParse, GivesTheDocumentOrFailsAtThePosition) {
    for (const ParseRow& row : kParseRows) {
        const QString text = QString::fromUtf16(row.text);
        EXPECT_EQ(Outcome([&] { return Parse(text)->JSON(); }), QString::fromUtf16(row.outcome))
            << text.toStdString();
    }
}

TEST(JsonBagParse, DecimalModeReadsEveryLevelExactly) {
    const QString text = "[0.1,{\"x\":[2.5,-1234567890.123456789012345678]},1e3,7.,3e-07]";
    EXPECT_EQ(Parse(text, true)->JSON(),
              "[0.1,{\"x\":[2.5,-1234567890.123456789012345678]},1000,7,0.0000003]");
    EXPECT_EQ(FailureOf([] { Parse("[1e40]", true); }),
              "-2147182284-Number overflow or parse error at character 2");
}

// The limit keeps a flood of brackets from exhausting the stack.
TEST(JsonBagParse, NestingStopsAtOneThousandLevels) {
    const QString deepest = QString(1000, u'[') + QString(1000, u']');
    EXPECT_EQ(Parse(deepest)->JSON(), deepest);
    EXPECT_EQ(FailureOf([] { Parse(QString(1001, u'[') + QString(1001, u']')); }),
              "-2147182140-Nesting deeper than 1000 levels at character 1001");
}

TEST(JsonBagParse, FailureKeepsWhatWasCompleteAndNextParseStartsClean) {
    auto bag = JsonBag::Create();
    EXPECT_NE(FailureOf([&] { bag->SetJSON("[1,[2,3],[4,x"); }), "no error");
    EXPECT_EQ(bag->JSON(), "[1,[2,3]]");
    bag->SetJSON("{\"a\":1}");
    EXPECT_EQ(bag->JSON(), "{\"a\":1}");
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

} // namespace
} // namespace k7::test
