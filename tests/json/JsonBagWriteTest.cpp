// Writing JSON text: which characters are escaped, how each simple value is written or refused,
// and the indented form.

#include "JsonTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace k7::test {
namespace {

// Both sides of every boundary of the escaped ranges.
TEST(JsonBagWrite, EscapesEachCharacterAsTheTableSays) {
    const std::pair<char16_t, const char*> rows[] = {
        {0, "\\u0000"},      {8, "\\b"},          {9, "\\t"},          {10, "\\n"},
        {11, "\\u000B"},     {12, "\\f"},         {13, "\\r"},         {31, "\\u001F"},
        {' ', " "},          {'"', "\\\""},       {'\\', "\\\\"},      {'/', "/"},
        {'~', "~"},          {127, "\\u007F"},    {159, "\\u009F"},    {160, "\u00A0"},
        {0x34E, "\u034E"},   {0x34F, "\\u034F"},  {0x350, "\u0350"},   {0x200A, "\u200A"},
        {0x200B, "\\u200B"}, {0x200F, "\\u200F"}, {0x2010, "\u2010"},  {0x2027, "\u2027"},
        {0x2028, "\\u2028"}, {0x202E, "\\u202E"}, {0x202F, "\u202F"},  {0x2060, "\\u2060"},
        {0x2061, "\u2061"},  {0xD800, "\\uD800"}, {0xDFFF, "\\uDFFF"}, {0xE000, "\uE000"},
        {0xFE00, "\uFE00"},  {0xFE01, "\\uFE01"}, {0xFE0F, "\\uFE0F"}, {0xFE10, "\uFE10"},
        {0xFEFF, "\\uFEFF"}, {0xFFFD, "\\uFFFD"}, {0xFFFE, "\uFFFE"}};
    for (const auto& [code, written] : rows) {
        auto bag = JsonBag::Create();
        bag->SetItem(QString(QChar(code)), QString(QChar(code)));
        const QString quoted = u'"' + QString::fromUtf8(written) + u'"';
        EXPECT_EQ(bag->JSON(), u'{' + quoted + u':' + quoted + u'}') << "U+" << std::hex << int(code);
    }
}

// Whether a string needs escaping is decided per document and per distinct name, and plain runs
// are copied in one piece: one escape among plain names, values and long runs must still show.
TEST(JsonBagWrite, EscapesOnlyWhatItMustAmongPlainText) {
    const QString texts[] = {QStringLiteral(R"({"plain":1,"t\tb":2,"plain2":[3]})"),
                             QStringLiteral(R"({"plain":"x","v":"a\"b","w":"y"})"),
                             QStringLiteral(R"([{"n":"ok"},{"n":"\u0001"}])"),
                             QStringLiteral(R"(["a\"b\\c\td\u0001e\u2028f)") + QString(300, u'z') + "\"]"};
    for (const QString& text : texts)
        EXPECT_EQ(Parse(text)->JSON(), text);
}

// Doubles are written as the parser's rows show; here the other kinds and the refused values.
TEST(JsonBagWrite, SimpleValuesAsTheShortestExactTextOrFailure) {
    const struct {
        const char* label;
        Variant value;
        const char* written; // or the failure text
    } rows[] = {{"true", true, "true"},
                {"Null", Variant::Null(), "null"},
                {"Empty", Variant(), "null"},
                {"single", 3e30f, "3e+30"},
                {"byte", uint8_t(255), "255"},
                {"integer", int16_t(-32768), "-32768"},
                {"long", int32_t(2147483647), "2147483647"},
                {"currency", Currency{-1000}, "-0.1"},
                {"currency min", Currency{std::numeric_limits<int64_t>::min()}, "-922337203685477.5808"},
                {"date", Date(45000.5), "-2147182268-\"Item v\" unknown/unsupported type = 7"},
                {"NaN", std::numeric_limits<double>::quiet_NaN(),
                 "-2147182272-Item \"v\" value NaN failed to serialize"},
                {"infinity", -std::numeric_limits<float>::infinity(),
                 "-2147182272-Item \"v\" value -Infinity failed to serialize"}};
    for (const auto& row : rows) {
        auto bag = JsonBag::Create();
        bag->SetItem("v", row.value);
        const QString written = Outcome([&] { return bag->JSON(); }); // the document or the failure
        EXPECT_EQ(written,
                  written.startsWith(u'{') ? QStringLiteral("{\"v\":%1}").arg(row.written) : row.written)
            << row.label;
    }
}

TEST(JsonBagWrite, FailureInsideAnArrayNamesNoItemAndNextWriteIsWhole) {
    auto bag = Parse("[1,[2]]");
    auto inner = ChildOf(bag->Item(2));
    inner->SetItem(Variant::Null(), Date(1.0));
    EXPECT_EQ(FailureOf([&] { bag->JSON(); }), "-2147182268-\"Item \" unknown/unsupported type = 7");
    inner->Remove(2);
    EXPECT_EQ(bag->JSON(), "[1,[2]]");
}

// The default indent and line break are `k7 json --pretty`'s test; here empty containers, which
// stay on one line at any depth.
TEST(JsonBagWrite, WhitespaceBreaksNoLineInsideAnEmptyContainer) {
    for (const auto& [text, written] :
         {std::pair{"[{},[],{\"e\":[]}]", "[\r\n  {},\r\n  [],\r\n  {\r\n    \"e\":[]\r\n  }\r\n]"},
          std::pair{"{}", "{}"}}) {
        auto bag = Parse(text);
        bag->SetWhitespace(true);
        bag->SetWhitespaceIndent(2);
        EXPECT_EQ(bag->JSON(), written) << text;
    }
}

} // namespace
} // namespace k7::test
