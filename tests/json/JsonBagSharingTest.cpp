// What the parser shares between the bags of one document, and what it must not: member names
// are held once per document, bags are cut from common slabs, and objects are indexed only when
// first looked up. None of that may show: every bag stays its own, editable and alive on its own.

#include "JsonTestSupport.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

namespace k7::test {
namespace {

struct NestedRow {
    const char16_t* text;
    const char16_t* written;
};

void PrintTo(const NestedRow& row, std::ostream* out) {
    *out << QString::fromUtf16(row.text).toStdString();
}

class RepeatedNames : public ::testing::TestWithParam<NestedRow> {};

// A name met twice in one object keeps the last value and moves to the end, at any depth and
// however the two spellings are written.
TEST_P(RepeatedNames, LastOneWinsAtEveryLevel) {
    EXPECT_EQ(Parse(QString::fromUtf16(GetParam().text))->JSON(), QString::fromUtf16(GetParam().written));
}

INSTANTIATE_TEST_SUITE_P(
    Nested, RepeatedNames,
    ::testing::Values(
        NestedRow{u"[{\"a\":1,\"b\":2,\"a\":3}]", u"[{\"b\":2,\"a\":3}]"},
        // the same name escaped and plain
        NestedRow{u"[{\"a\":1,\"\\u0061\":2,\"b\":3}]", u"[{\"a\":2,\"b\":3}]"},
        // a child using the name in between must not hide the repetition in its parent
        NestedRow{u"[{\"v\":1,\"w\":{\"v\":2,\"x\":3},\"v\":4}]", u"[{\"w\":{\"v\":2,\"x\":3},\"v\":4}]"},
        NestedRow{u"[{\"v\":{\"v\":{\"v\":1,\"v\":2}},\"v\":3},{\"v\":5}]", u"[{\"v\":3},{\"v\":5}]"},
        // the same names in sibling objects are no repetition
        NestedRow{u"[{\"a\":1,\"b\":2},{\"b\":3,\"a\":4},{\"a\":5}]",
                  u"[{\"a\":1,\"b\":2},{\"b\":3,\"a\":4},{\"a\":5}]"},
        // names differing only in case are different names
        NestedRow{u"[{\"Id\":1,\"id\":2,\"ID\":3}]", u"[{\"Id\":1,\"id\":2,\"ID\":3}]"},
        NestedRow{u"[{\"\":1,\"\":2}]", u"[{\"\":2}]"}));

// `count` names of equal length that agree in their first and last four characters, so that a
// hash built from the ends of a name cannot tell them apart.
QStringList LookAlikeNames(int count) {
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("abcd%1wxyz").arg(i, 3, 10, QLatin1Char('0'));
    return names;
}

TEST(JsonBagSharing, LookAlikeNamesStayDistinctAndRepeatsAreFound) {
    const QStringList names = LookAlikeNames(60);
    QString text = QStringLiteral("[{");
    for (int i = 0; i < names.size(); ++i)
        text += QStringLiteral("\"%1\":%2,").arg(names[i]).arg(i);
    // Repeat two late names (beyond what one run of a hash table holds): both must move to the
    // end with their new values.
    text += QStringLiteral("\"%1\":100,\"%2\":200}]").arg(names[40], names[57]);

    auto object = ChildOf(Parse(text)->Item(1));
    ASSERT_EQ(object->Count(), 60);
    EXPECT_EQ(object->Name(59), Variant(names[40]));
    EXPECT_EQ(object->Name(60), Variant(names[57]));
    EXPECT_EQ(object->Item(names[40]), Variant(100.0));
    EXPECT_EQ(object->Item(names[57]), Variant(200.0));
    for (int i = 0; i < names.size(); ++i) {
        if (i == 40 || i == 57)
            continue;
        EXPECT_EQ(object->Item(names[i]), Variant(double(i))) << names[i].toStdString();
    }
    EXPECT_FALSE(object->Exists(QStringLiteral("abcd999wxyz")));
}

// Every object of a table reply carries the same names; each row must still be found by name,
// and editing one row must leave the others as they were.
TEST(JsonBagSharing, RowsWithTheSameNamesAreIndependent) {
    QString text = QStringLiteral("{\"data\":[");
    for (int row = 0; row < 3; ++row) {
        text += row ? QStringLiteral(",{") : QStringLiteral("{");
        for (int member = 0; member < 20; ++member)
            text += QStringLiteral("%1\"m%2\":%3")
                        .arg(member ? QStringLiteral(",") : QString())
                        .arg(member)
                        .arg(row * 100 + member);
        text += QStringLiteral("}");
    }
    text += QStringLiteral("]}");
    auto doc = Parse(text);
    auto first = ChildOf(doc->Item(QStringLiteral("data")).Item(1));
    auto second = ChildOf(doc->Item(QStringLiteral("data")).Item(2));
    const QString secondBefore = second->JSON();

    first->SetItem(QStringLiteral("m4"), QStringLiteral("edited"));
    first->Remove(QStringLiteral("m7"));
    first->SetItem(QStringLiteral("m20"), 1.5);

    EXPECT_EQ(second->JSON(), secondBefore);
    EXPECT_EQ(first->Count(), 20);
    EXPECT_EQ(first->Name(19), Variant(QStringLiteral("m4")));
    EXPECT_EQ(first->Item(QStringLiteral("m4")), Variant(QStringLiteral("edited")));
    EXPECT_FALSE(first->Exists(QStringLiteral("m7")));
    EXPECT_EQ(first->Item(QStringLiteral("m20")), Variant(1.5));
    for (int member = 0; member < 20; ++member) {
        const QString name = QStringLiteral("m%1").arg(member);
        EXPECT_EQ(second->Item(name), Variant(double(100 + member))) << name.toStdString();
        if (member != 4 && member != 7) {
            EXPECT_EQ(first->Item(name), Variant(double(member))) << name.toStdString();
        }
    }
}

// A child taken out of a document lives on after the document, its siblings and its parent
// are gone, and may be released on another thread; its names and copies live on after it.
TEST(JsonBagSharing, KeptChildrenOutliveTheirDocument) {
    std::vector<std::shared_ptr<JsonBag>> kept;
    std::vector<QString> expected;
    std::vector<Variant> names;
    std::vector<std::shared_ptr<JsonBag>> copies;
    for (int doc = 0; doc < 8; ++doc) {
        QString text = QStringLiteral("{\"data\":[");
        for (int row = 0; row < 100; ++row)
            text += QStringLiteral("%1{\"row\":%2,\"name\":\"r%3\",\"cells\":[{\"value\":%4}]}")
                        .arg(row ? QStringLiteral(",") : QString())
                        .arg(row)
                        .arg(doc)
                        .arg(doc * 1000 + row);
        text += QStringLiteral("]}");
        auto parsed = Parse(text);
        kept.push_back(ChildOf(parsed->Item(QStringLiteral("data")).Item(1 + doc * 7)));
        expected.push_back(kept.back()->JSON());
        names.push_back(kept.back()->Name(2));
        copies.push_back(kept.back()->Clone());
        // The document goes here; so do the other rows.
    }
    // New documents take the memory that was given back.
    for (int i = 0; i < 8; ++i)
        Parse(QStringLiteral("[{\"a\":[{\"b\":1}]},{\"c\":2}]"));
    for (size_t i = 0; i < kept.size(); ++i)
        EXPECT_EQ(kept[i]->JSON(), expected[i]);
    EXPECT_EQ(kept[2]->JSON(), QStringLiteral("{\"row\":14,\"name\":\"r2\",\"cells\":[{\"value\":2014}]}"));

    std::thread releaser([moved = std::move(kept)]() mutable {
        for (auto& bag : moved)
            bag.reset();
    });
    releaser.join();
    // Names read from a bag and copies of it do not depend on the document's memory.
    for (size_t i = 0; i < copies.size(); ++i) {
        EXPECT_EQ(names[i], Variant(QStringLiteral("name")));
        EXPECT_EQ(copies[i]->JSON(), expected[i]);
    }
}

struct LineBreakRow {
    const char16_t* text;
    const char* outcome; // the written document, or the failure text
};

void PrintTo(const LineBreakRow& row, std::ostream* out) {
    *out << QString::fromUtf16(row.text).toStdString();
}

class LineBreaks : public ::testing::TestWithParam<LineBreakRow> {};

// CR and LF are taken out before parsing, wherever they stand; positions in messages count the
// text without them.
TEST_P(LineBreaks, VanishBeforeParsing) {
    const QString text = QString::fromUtf16(GetParam().text);
    const QString outcome = FailureOf([&] { Parse(text); });
    EXPECT_EQ(outcome == QStringLiteral("no error") ? Parse(text)->JSON() : outcome,
              QString::fromUtf8(GetParam().outcome));
}

INSTANTIATE_TEST_SUITE_P(
    Anywhere, LineBreaks,
    ::testing::Values(LineBreakRow{u"{\"status\":0,\r\n\"message\":\"x\"\r\n,\"data\":[1,2]\r\n;}",
                                   "-2147182176-Expected , or } at character 38"},
                      LineBreakRow{
                          u"{\"list\":[\"abcdefghijklmnop\",\"q\"],\n\n\n\"next\":\"abcdefghij\tx\"}",
                          "-2147182280-Invalid string character (hex 0009) at 52"},
                      LineBreakRow{u"{\"long\r\nname\":\"split\r\nacross lines\",\"n\":1\r\n2\r\n3}",
                                   "{\"longname\":\"splitacross lines\",\"n\":123}"},
                      LineBreakRow{u"\r\n\r\n\r\n\r\n\r\n[tr\r\nue,nu\nll]\r\n", "[true,null]"}));

} // namespace
} // namespace k7::test
