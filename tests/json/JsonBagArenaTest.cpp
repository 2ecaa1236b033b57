// A parsed document is one block of nodes that its bag reads; the bags for nested objects and
// arrays are made when asked for, and the first edit moves a subtree into ordinary bags. None of
// that may show: asking twice gives the same bag, an edit through any bag is seen from every
// other, and a bag handed out lives on, whole and editable, whatever happens to its document.

#include "JsonTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace k7::test {
namespace {

using Doc = std::shared_ptr<JsonBag>;

const QString kRow = QStringLiteral("{\"a\":{\"x\":[1]},\"b\":2}");

// `depth` arrays, one inside the other, the innermost holding 7.
QString Nested(int depth) {
    return QString(depth, u'[') + u'7' + QString(depth, u']');
}

// An object of `count` members m0, m1, ..., whose member m17 comes once more at the end.
QString Wide(int count) {
    QStringList members;
    for (int i = 0; i < count; ++i)
        members << QStringLiteral("\"m%1\":%1").arg(i);
    members << QStringLiteral("\"m17\":-17");
    return u'{' + members.join(u',') + u'}';
}

Doc Child(const Doc& bag, const Variant& key) {
    return ChildOf(bag->Item(key));
}

TEST(JsonBagArena, HandlesStayPartOfTheirDocumentAndOutliveIt) {
    const struct {
        const char* label;
        QString document;
        // Acts on the document (and may release it); returns what is to be compared.
        std::function<QString(Doc&)> act;
        QString expected;
    } rows[] = {
        {"asking twice gives the same bag", kRow,
         [](Doc& doc) { return Shown(Child(doc, QStringLiteral("a")) == Child(doc, QStringLiteral("a"))); },
         QStringLiteral("true")},
        {"an edit through a handle shows in the document", kRow,
         [](Doc& doc) {
             Child(Child(doc, QStringLiteral("a")), QStringLiteral("x"))->SetItem(Variant::Null(), 2.0);
             return doc->JSON();
         },
         QStringLiteral("{\"a\":{\"x\":[1,2]},\"b\":2}")},
        {"grown nodes keep their place when the document is edited later", kRow,
         [](Doc& doc) {
             auto a = Child(doc, QStringLiteral("a"));
             auto x = Child(a, QStringLiteral("x"));
             for (int i = 2; i <= 4; ++i)
                 x->SetItem(Variant::Null(), double(i));
             a->SetItem(QStringLiteral("y"), true);
             doc->SetItem(QStringLiteral("c"), 3.0);
             x->SetItem(int32_t(1), 0.0);
             return doc->JSON();
         },
         QStringLiteral("{\"a\":{\"x\":[0,2,3,4],\"y\":true},\"b\":2,\"c\":3}")},
        {"a handle stored twice in its document is one bag", kRow,
         [](Doc& doc) {
             doc->SetItem(QStringLiteral("c"), doc->Item(QStringLiteral("a")));
             Child(doc, QStringLiteral("c"))->Remove(QStringLiteral("x"));
             return doc->JSON();
         },
         QStringLiteral("{\"a\":{},\"b\":2,\"c\":{}}")},
        {"a handle cleared stays in its place, empty", kRow,
         [](Doc& doc) {
             Child(doc, QStringLiteral("a"))->Clear();
             return doc->JSON() + Shown(doc->ItemIsJSON(QStringLiteral("a")));
         },
         QStringLiteral("{\"a\":{},\"b\":2}true")},
        {"the document released while a handle is held", kRow,
         [](Doc& doc) {
             auto a = Child(doc, QStringLiteral("a"));
             doc.reset();
             a->SetItem(QStringLiteral("y"), QStringLiteral("z"));
             return a->JSON() + a->Name(2).ToText();
         },
         QStringLiteral("{\"x\":[1],\"y\":\"z\"}y")},
        {"the document read again while a handle is held", kRow,
         [](Doc& doc) {
             auto x = Child(Child(doc, QStringLiteral("a")), QStringLiteral("x"));
             doc->SetJSON(QStringLiteral("[5]"));
             return doc->JSON() + x->JSON();
         },
         QStringLiteral("[5][1]")},
        {"a handle removed from its document stays whole", kRow,
         [](Doc& doc) {
             auto a = Child(doc, QStringLiteral("a"));
             doc->Remove(QStringLiteral("a"));
             Child(a, QStringLiteral("x"))->SetItem(Variant::Null(), 2.0);
             return doc->JSON() + a->JSON();
         },
         QStringLiteral("{\"b\":2}{\"x\":[1,2]}")},
        {"a handle moved to another document outlives both", kRow,
         [](Doc& doc) {
             auto other = Parse(QStringLiteral("{\"k\":{}}"));
             Child(other, QStringLiteral("k"))->SetItem(QStringLiteral("a"), doc->Item(QStringLiteral("a")));
             doc.reset();
             auto moved = Child(Child(other, QStringLiteral("k")), QStringLiteral("a"));
             other.reset();
             return moved->JSON();
         },
         QStringLiteral("{\"x\":[1]}")},
        {"a handle stored in a changed sibling", QStringLiteral("{\"a\":{},\"b\":{\"y\":1}}"),
         [](Doc& doc) {
             auto a = Child(doc, QStringLiteral("a"));
             a->SetItem(QStringLiteral("k"), 1.0);
             a->SetItem(QStringLiteral("b"), doc->Item(QStringLiteral("b")));
             Child(doc, QStringLiteral("b"))->SetItem(QStringLiteral("y"), 2.0);
             return doc->JSON();
         },
         QStringLiteral("{\"a\":{\"k\":1,\"b\":{\"y\":2}},\"b\":{\"y\":2}}")},
        {"a handle given a new text holds it in its place", kRow,
         [](Doc& doc) {
             Child(doc, QStringLiteral("a"))->SetJSON(QStringLiteral("[9,{\"q\":[]}]"));
             return doc->JSON() + Child(Child(doc, QStringLiteral("a")), int32_t(2))->JSON();
         },
         QStringLiteral("{\"a\":[9,{\"q\":[]}],\"b\":2}{\"q\":[]}")},
        {"a changed handle that left its document may hold the document", kRow,
         [](Doc& doc) {
             auto a = Child(doc, QStringLiteral("a"));
             auto x = Child(a, QStringLiteral("x"));
             x->SetItem(Variant::Null(), 2.0);
             a->Remove(QStringLiteral("x"));
             x->SetItem(Variant::Null(), Variant(doc));
             return x->JSON();
         },
         QStringLiteral("[1,2,{\"a\":{},\"b\":2}]")},
        {"a document cannot go inside its own handle", kRow,
         [](Doc& doc) {
             auto x = Child(Child(doc, QStringLiteral("a")), QStringLiteral("x"));
             return FailureOf([&] { x->SetItem(Variant::Null(), Variant(doc)); }) + doc->JSON();
         },
         QStringLiteral("-2147182136-A JsonBag cannot contain itself{\"a\":{\"x\":[1]},\"b\":2}")},
        {"settings set on the document reach its handles, a handle's stay its own", kRow,
         [](Doc& doc) {
             auto a = Child(doc, QStringLiteral("a"));
             doc->SetDecimalMode(true);
             Child(a, QStringLiteral("x"))->SetWhitespaceIndent(2);
             return Shown(a->DecimalMode()) + Shown(doc->WhitespaceIndent()) +
                    Shown(Child(a, QStringLiteral("x"))->WhitespaceIndent());
         },
         QStringLiteral("true42")},
        {"a copy taken after an edit through a handle", kRow,
         [](Doc& doc) {
             Child(doc, QStringLiteral("a"))->SetItem(QStringLiteral("y"), 1.0);
             auto copy = doc->Clone();
             Child(copy, QStringLiteral("a"))->Remove(QStringLiteral("y"));
             return copy->JSON() + doc->JSON();
         },
         QStringLiteral("{\"a\":{\"x\":[1]},\"b\":2}{\"a\":{\"x\":[1],\"y\":1},\"b\":2}")},
        {"a thousand levels, the innermost edited after the document went", Nested(1000),
         [](Doc& doc) {
             Doc inner = doc;
             for (int level = 1; level < 1000; ++level)
                 inner = Child(inner, int32_t(1));
             const QString written = doc->JSON();
             doc.reset();
             inner->SetItem(Variant::Null(), 8.0);
             return Shown(written == Nested(1000)) + inner->JSON();
         },
         QStringLiteral("true[7,8]")},
        {"a wide object is found by name, its repeated member last", Wide(5000),
         [](Doc& doc) {
             return doc->Item(QStringLiteral("m4321")).ToText() + u' ' + doc->Name(5000).ToText() + u' ' +
                    doc->Item(int32_t(5000)).ToText() + u' ' + Shown(doc->Exists(QStringLiteral("m5000")));
         },
         QStringLiteral("4321 m17 -17 false")},
    };
    for (const auto& row : rows) {
        Doc doc = Parse(row.document);
        EXPECT_EQ(row.act(doc), row.expected) << row.label;
    }
}

} // namespace
} // namespace k7::test
