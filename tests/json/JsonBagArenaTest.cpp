// A parsed document is one block of nodes that its bag reads; the bags for nested objects and
// arrays are made when asked for, and the first edit moves a subtree into ordinary bags. None of
// that may show: asking twice gives the same bag, an edit through any bag is seen from every
// other, and a bag handed out lives on, whole and editable, whatever happens to its document.

#include "JsonTestSupport.h"

#include <gtest/gtest.h>

#include <QThread>

#include <functional>
#include <random>
#include <utility>
#include <vector>

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

// Each item's type code and text, as the getters give them.
QString Typed(const Doc& bag) {
    QString shown;
    for (int32_t i = 1; i <= bag->Count(); ++i) {
        const Variant item = bag->Item(i);
        const QString text = item.IsObject() ? QStringLiteral("bag")
                             : item.IsNull() ? QString()
                                             : item.ToText();
        shown += Shown(int(item.Type())) + u':' + text + u' ';
    }
    return shown;
}

// A value of every type a bag keeps as given (a date, which no text can hold, apart).
const std::pair<QString, Variant> kEveryType[] = {
    {QStringLiteral("e"), Variant()},
    {QStringLiteral("y"), Variant(uint8_t(200))},
    {QStringLiteral("i"), Variant(int16_t(-3))},
    {QStringLiteral("l"), Variant(int32_t(70000))},
    {QStringLiteral("s"), Variant(0.1f)},
    {QStringLiteral("c"), Variant(Currency{-1000})},
    {QStringLiteral("m"), Variant(*Decimal::FromText(QStringLiteral("2.50")))},
};

struct Row {
    const char* label;
    QString document;
    // Acts on the document (and may release it); returns what is to be compared.
    std::function<QString(Doc&)> act;
    QString expected;
};

template <size_t kCount> void CheckRows(const Row (&rows)[kCount]) {
    for (const Row& row : rows) {
        Doc doc = Parse(row.document);
        EXPECT_EQ(row.act(doc), row.expected) << row.label;
    }
}

TEST(JsonBagArena, HandlesStayPartOfTheirDocumentAndOutliveIt) {
    const Row rows[] = {
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
    CheckRows(rows);
}

// Simple values set, added and removed in a parsed document stay in its arena: containers that
// grow move, gaps close, and every handle held across that keeps naming its own container.
TEST(JsonBagArena, EditsInTheDocumentKeepHandlesOnTheirContainers) {
    const QString tree = QStringLiteral("{\"a\":1,\"b\":{\"x\":[1]},\"c\":[{\"k\":1}]}");
    const Row rows[] = {
        {"the document grows past its run while handles below are held", tree,
         [](Doc& doc) {
             auto b = Child(doc, QStringLiteral("b"));
             auto x = Child(b, QStringLiteral("x"));
             for (int i = 0; i < 20; ++i)
                 doc->SetItem(QStringLiteral("n%1").arg(i), double(i));
             for (int i = 2; i <= 9; ++i)
                 x->SetItem(Variant::Null(), double(i));
             b->SetItem(QStringLiteral("y"), QStringLiteral("z"));
             return Shown(b == Child(doc, QStringLiteral("b"))) + doc->Item(QStringLiteral("n19")).ToText() +
                    Child(doc, QStringLiteral("b"))->JSON();
         },
         QStringLiteral("true19{\"x\":[1,2,3,4,5,6,7,8,9],\"y\":\"z\"}")},
        {"a member set again moves to the end, past held siblings", tree,
         [](Doc& doc) {
             auto b = Child(doc, QStringLiteral("b"));
             auto c = Child(doc, QStringLiteral("c"));
             doc->SetItem(QStringLiteral("a"), QStringLiteral("again"));
             doc->SetItem(QStringLiteral("b"), true);
             Child(c, int32_t(1))->SetItem(QStringLiteral("k"), 2.0);
             return doc->JSON() + b->JSON() + Shown(c == Child(doc, QStringLiteral("c")));
         },
         QStringLiteral("{\"c\":[{\"k\":2}],\"a\":\"again\",\"b\":true}{\"x\":[1]}true")},
        {"a removed item closes the gap; the handles after it follow", QStringLiteral("[1,{\"p\":1},[2],3]"),
         [](Doc& doc) {
             auto p = Child(doc, int32_t(2));
             auto q = Child(doc, int32_t(3));
             doc->Remove(int32_t(1));
             q->SetItem(Variant::Null(), 4.0);
             p->Remove(QStringLiteral("p"));
             return doc->JSON() + Shown(q == Child(doc, int32_t(2))) + Shown(doc->Count());
         },
         QStringLiteral("[{},[2,4],3]true3")},
        {"a container replaced by a simple value leaves its handle whole", tree,
         [](Doc& doc) {
             auto c = Child(doc, QStringLiteral("c"));
             auto k = Child(c, int32_t(1));
             c->SetItem(int32_t(1), Variant::Null());
             k->SetItem(QStringLiteral("m"), false);
             doc.reset();
             return c->JSON() + k->JSON();
         },
         QStringLiteral("[null]{\"k\":1,\"m\":false}")},
        {"a changed handle replaced in its document lives on only where it is held", tree,
         [](Doc& doc) {
             auto b = Child(doc, QStringLiteral("b"));
             b->AddNewObject(QStringLiteral("n"))->SetItem(QStringLiteral("m"), 1.0);
             Child(Child(doc, QStringLiteral("c")), int32_t(1))->AddNewArray(QStringLiteral("q"));
             doc->SetItem(QStringLiteral("b"), 0.0);
             doc->Remove(QStringLiteral("c"));
             return doc->JSON() + b->JSON();
         },
         QStringLiteral("{\"a\":1,\"b\":0}{\"x\":[1],\"n\":{\"m\":1}}")},
        {"a handle below a removed container may hold the document without keeping it", tree,
         [](Doc& doc) {
             auto x = Child(Child(doc, QStringLiteral("b")), QStringLiteral("x"));
             doc->Remove(QStringLiteral("b"));
             x->SetItem(Variant::Null(), Variant(doc));
             const std::weak_ptr<JsonBag> document = doc;
             doc.reset();
             const QString written = x->JSON();
             x.reset();
             return written + Shown(document.expired());
         },
         QStringLiteral("[1,{\"a\":1,\"c\":[{\"k\":1}]}]true")},
        {"strings and decimals set go into the document and read back", QStringLiteral("[\"old\"]"),
         [](Doc& doc) {
             doc->SetItem(int32_t(1), QStringLiteral("\"q\"\u00e9\n"));
             doc->SetItem(Variant::Null(), QString());
             doc->SetItem(Variant::Null(), Variant(*Decimal::FromText(QStringLiteral("1.50"))));
             return doc->JSON() + u'|' + doc->Item(int32_t(1)).ToText() + u'|' +
                    Shown(doc->Item(int32_t(2)).ToText().isEmpty());
         },
         QStringLiteral("[\"\\\"q\\\"\u00e9\\n\",\"\",1.5]|\"q\"\u00e9\n|true")},
        {"values no node holds keep their type", QStringLiteral("{\"a\":1}"),
         [](Doc& doc) {
             doc->SetItem(QStringLiteral("i"), int32_t(7));
             doc->SetItem(QStringLiteral("e"), Variant());
             return doc->JSON() + Shown(int(doc->Item(QStringLiteral("i")).Type())) +
                    Shown(doc->Item(QStringLiteral("e")).IsEmpty());
         },
         QStringLiteral("{\"a\":1,\"i\":7,\"e\":null}3true")},
        {"an edited document then given a bag", tree,
         [](Doc& doc) {
             auto b = Child(doc, QStringLiteral("b"));
             doc->Remove(QStringLiteral("a"));
             b->SetItem(QStringLiteral("y"), 2.0);
             doc->AddNewArray(QStringLiteral("d"))->SetItem(Variant::Null(), 5.0);
             b->Remove(QStringLiteral("x"));
             return doc->JSON() + doc->Clone()->JSON();
         },
         QStringLiteral("{\"b\":{\"y\":2},\"c\":[{\"k\":1}],\"d\":[5]}"
                        "{\"b\":{\"y\":2},\"c\":[{\"k\":1}],\"d\":[5]}")},
        {"a wide object edited by name keeps finding its members", Wide(5000),
         [](Doc& doc) {
             const QString before = doc->Item(QStringLiteral("m4321")).ToText();
             doc->Remove(QStringLiteral("m100"));
             doc->SetItem(QStringLiteral("m200"), -200.0);
             doc->SetItem(QStringLiteral("new"), 1.0);
             return before + u' ' + doc->Item(QStringLiteral("m4321")).ToText() + u' ' +
                    Shown(doc->Exists(QStringLiteral("m100"))) + u' ' + doc->Name(4999).ToText() + u' ' +
                    doc->Name(5000).ToText() + u' ' + doc->Item(QStringLiteral("m300")).ToText() + u' ' +
                    doc->Item(int32_t(101)).ToText();
         },
         QStringLiteral("4321 4321 false m200 new 300 102")},
        {"values of every type read back and are written as a bag holding entries has them",
         QStringLiteral("{\"a\":{\"k\":1}}"),
         [](Doc& doc) {
             auto a = Child(doc, QStringLiteral("a"));
             auto built = JsonBag::Create();
             for (const auto& [name, value] : kEveryType) {
                 a->SetItem(name, value);
                 built->SetItem(name, value);
             }
             a->SetItem(QStringLiteral("k"), int32_t(5));
             built->SetItem(QStringLiteral("k"), int32_t(5));
             return Shown(Typed(a) == Typed(built) && a->JSON() == built->JSON()) + a->JSON() + Typed(a) +
                    Shown(a->Item(QStringLiteral("e")).IsEmpty());
         },
         QStringLiteral(
             "true{\"e\":null,\"y\":200,\"i\":-3,\"l\":70000,\"s\":0.1,\"c\":-0.1,\"m\":2.5,\"k\":5}"
             "0: 17:200 2:-3 3:70000 4:0.1 6:-0.1 14:2.5 3:5 true")},
        {"a date set keeps its type and is refused on writing, by name", QStringLiteral("[{\"k\":1}]"),
         [](Doc& doc) {
             Child(doc, int32_t(1))->SetItem(QStringLiteral("when"), Variant(Date(1.5)));
             return Shown(int(Child(doc, int32_t(1))->Item(QStringLiteral("when")).Type())) +
                    FailureOf([&] { doc->JSON(); });
         },
         QStringLiteral("7-2147182268-\"Item when\" unknown/unsupported type = 7")},
        {"a bag stored is shared: edits made through it later show in the document", kRow,
         [](Doc& doc) {
             auto built = JsonBag::Create();
             auto other = Parse(QStringLiteral("[1]"));
             doc->SetItem(QStringLiteral("k"), built);
             Child(doc, QStringLiteral("a"))->SetItem(QStringLiteral("o"), other);
             doc->AddNewObject(QStringLiteral("n"))->SetItem(QStringLiteral("y"), 2.0);
             built->SetItem(QStringLiteral("x"), 1.0);
             other->SetItem(Variant::Null(), 2.0);
             return doc->JSON() + Shown(Child(doc, QStringLiteral("k")) == built) +
                    Shown(Child(Child(doc, QStringLiteral("a")), QStringLiteral("o")) == other) +
                    Shown(doc->ItemIsJSON(QStringLiteral("n"))) + doc->Clone()->JSON();
         },
         QStringLiteral("{\"a\":{\"x\":[1],\"o\":[1,2]},\"b\":2,\"k\":{\"x\":1},\"n\":{\"y\":2}}truetruetrue"
                        "{\"a\":{\"x\":[1],\"o\":[1,2]},\"b\":2,\"k\":{\"x\":1},\"n\":{\"y\":2}}")},
        {"a stored bag that leaves the document is let go of, and may then hold it",
         QStringLiteral("{\"p\":{\"q\":[1]},\"r\":2}"),
         [](Doc& doc) {
             auto kept = JsonBag::Create();
             auto replaced = JsonBag::Create();
             Child(Child(doc, QStringLiteral("p")), QStringLiteral("q"))->SetItem(Variant::Null(), kept);
             doc->SetItem(QStringLiteral("r"), replaced);
             const std::weak_ptr<JsonBag> gone = replaced;
             replaced.reset();
             doc->SetItem(QStringLiteral("r"), 3.0);
             doc->Remove(QStringLiteral("p"));
             kept->SetItem(QStringLiteral("d"), doc);
             const std::weak_ptr<JsonBag> document = doc;
             const QString written = kept->JSON();
             doc.reset();
             kept.reset();
             return written + Shown(gone.expired()) + Shown(document.expired());
         },
         QStringLiteral("{\"d\":{\"r\":3}}truetrue")},
        {"a handle cleared with handles below held, then made an array in its place", tree,
         [](Doc& doc) {
             auto b = Child(doc, QStringLiteral("b"));
             auto x = Child(b, QStringLiteral("x"));
             b->Clear();
             const QString cleared = doc->JSON();
             b->SetIsArray(true);
             b->SetItem(Variant::Null(), 5.0);
             x->SetItem(Variant::Null(), 2.0);
             return cleared + doc->JSON() + x->JSON() + Shown(b == Child(doc, QStringLiteral("b"))) +
                    FailureOf([&] { b->SetIsArray(false); });
         },
         QStringLiteral("{\"a\":1,\"b\":{},\"c\":[{\"k\":1}]}{\"a\":1,\"b\":[5],\"c\":[{\"k\":1}]}[1,2]true"
                        "-2147182336-Cannot change IsArray setting after items have been added")},
        {"an empty document made an array, then a handle's array made an object", QStringLiteral("{}"),
         [](Doc& doc) {
             doc->SetIsArray(true);
             doc->SetItem(Variant::Null(), 1.0);
             auto inner = doc->AddNewArray();
             doc->SetJSON(QStringLiteral("[[]]"));
             Child(doc, int32_t(1))->SetIsArray(false);
             Child(doc, int32_t(1))->SetItem(QStringLiteral("k"), true);
             return doc->JSON() + Shown(inner->IsArray());
         },
         QStringLiteral("[{\"k\":true}]true")},
        {"documents stored one in another, five thousand deep, released on a small stack",
         QStringLiteral("[]"),
         [](Doc& doc) {
             Doc inner = doc;
             for (int level = 0; level < 5000; ++level) {
                 inner->SetItemJSON(Variant::Null(), QStringLiteral("[]"));
                 inner = Child(inner, int32_t(1));
             }
             const std::weak_ptr<JsonBag> innermost = inner;
             inner.reset();
             // A release that recursed once per level would overflow this stack.
             std::unique_ptr<QThread> release(
                 QThread::create([moved = std::move(doc)]() mutable { moved.reset(); }));
             release->setStackSize(256 * 1024);
             release->start();
             release->wait();
             return Shown(innermost.expired());
         },
         QStringLiteral("true")},
        {"a handle's own setting reaches the bags made later below it and follows its container",
         QStringLiteral("{\"a\":1,\"b\":{\"x\":[1],\"y\":{\"z\":{}}},\"c\":[{\"k\":1}]}"),
         [](Doc& doc) {
             const auto indentOf = [&](const QString& member) {
                 return Shown(Child(doc, member)->WhitespaceIndent());
             };
             Child(doc, QStringLiteral("b"))->SetWhitespaceIndent(2);
             Child(doc, QStringLiteral("b"))->SetWhitespace(true);
             doc->SetDecimalMode(true);
             QString shown =
                 Shown(Child(Child(Child(doc, QStringLiteral("b")), QStringLiteral("y")), QStringLiteral("z"))
                           ->WhitespaceIndent()) +
                 indentOf(QStringLiteral("c")) + Shown(Child(doc, QStringLiteral("b"))->DecimalMode());
             doc->Remove(QStringLiteral("a"));
             for (int i = 0; i < 10; ++i)
                 doc->SetItem(QStringLiteral("n%1").arg(i), double(i));
             shown += indentOf(QStringLiteral("b")) + u' ' + Child(doc, QStringLiteral("b"))->JSON() + u' ' +
                      doc->ItemJSON(QStringLiteral("c"));
             doc->SetItem(QStringLiteral("b"), QStringLiteral("gone"));
             doc->SetItemJSON(QStringLiteral("b"), QStringLiteral("{}"));
             doc->SetWhitespaceIndent(3);
             return shown + u' ' + indentOf(QStringLiteral("b")) + indentOf(QStringLiteral("c"));
         },
         QStringLiteral("24true2 {\r\n  \"x\":[\r\n    1\r\n  ],\r\n  \"y\":{\r\n    \"z\":{}\r\n  }\r\n} "
                        "[{\"k\":1}] 33")},
        {"a thousand levels, each grown while handles to all are held", Nested(1000),
         [](Doc& doc) {
             std::vector<Doc> levels{doc};
             for (int level = 1; level < 1000; ++level)
                 levels.push_back(Child(levels.back(), int32_t(1)));
             for (Doc& level : levels)
                 level->SetItem(Variant::Null(), 0.0);
             levels.front()->Remove(int32_t(2));
             levels.erase(levels.begin());
             doc.reset();
             QString expected = QString(999, u'[') + u'7';
             for (int i = 0; i < 999; ++i)
                 expected += QStringLiteral(",0]");
             return Shown(levels.front()->JSON() == expected) + levels.back()->JSON();
         },
         QStringLiteral("true[7,0]")},
    };
    CheckRows(rows);
}

// Random edits through bags held at every level of a parsed document, done alike on a copy made
// of bags holding entries: after every step both write the same text, and so does every pair of
// bags held, the ones that left their document included; their items read back alike.
TEST(JsonBagArena, RandomEditsThroughHandlesMatchACopyHoldingEntries) {
    std::mt19937 random(33);
    const auto pick = [&](int count) { return int32_t(random() % uint32_t(count)); };
    const QString names[] = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                             QStringLiteral("d")};
    Doc doc =
        Parse(QStringLiteral("{\"a\":[1,{\"b\":[2,3]},[4],{\"c\":{}},[5,[6]]],\"b\":{\"d\":[[4],{},[7]]},"
                             "\"c\":5,\"d\":[{},{}]}"));
    std::vector<std::pair<Doc, Doc>> held{{doc, doc->Clone()}};
    for (int step = 0; step < 4000; ++step) {
        auto& [bag, copy] = held[size_t(pick(int(held.size())))];
        const Variant value = step % 3 == 0   ? Variant(QStringLiteral("s%1").arg(step))
                              : step % 7 == 0 ? Variant::Null()
                              : step % 5 == 0 ? kEveryType[size_t(step / 5) % std::size(kEveryType)].second
                                              : Variant(double(step));
        const Variant key = bag->IsArray() ? Variant(pick(bag->Count() + 1) + 1) : Variant(names[pick(4)]);
        const Variant where = bag->IsArray() && pick(5) == 0 ? Variant::Null() : key;
        const int action = pick(45);
        if (action < 16 && bag->Exists(key) && bag->ItemIsJSON(key)) {
            held.emplace_back(Child(bag, key), Child(copy, key));
        } else if (action < 26) {
            bag->SetItem(where, value);
            copy->SetItem(where, value);
        } else if (action < 38) {
            bag->Remove(key);
            copy->Remove(key);
        } else if (action < 40) {
            bag->AddNewArray(where)->SetItem(Variant::Null(), value);
            copy->AddNewArray(where)->SetItem(Variant::Null(), value);
        } else if (action < 42) {
            // Another bag held, stored here and shared from now on (refused where it would hold
            // itself); a bag handed out from the document holds its own items from then on.
            const auto& [other, otherCopy] = held[size_t(pick(int(held.size())))];
            if (other->JSON().size() < 200) {
                const QString failure =
                    FailureOf([&, into = bag, stored = other] { into->SetItem(where, stored); });
                ASSERT_EQ(failure,
                          FailureOf([&, into = copy, stored = otherCopy] { into->SetItem(where, stored); }))
                    << "step " << step;
            }
        } else if (action < 43) {
            const auto indent = int16_t(1 + pick(8));
            bag->SetWhitespace(indent % 2 == 0);
            copy->SetWhitespace(indent % 2 == 0);
            bag->SetWhitespaceIndent(indent);
            copy->SetWhitespaceIndent(indent);
        } else {
            const bool isArray = pick(2) == 0;
            bag->Clear();
            copy->Clear();
            bag->SetIsArray(isArray);
            copy->SetIsArray(isArray);
        }
        const auto& [someBag, someCopy] = held[size_t(pick(int(held.size())))];
        ASSERT_EQ(someBag->JSON(), someCopy->JSON()) << "step " << step;
        ASSERT_EQ(Typed(someBag), Typed(someCopy)) << "step " << step;
        ASSERT_EQ(held.front().first->JSON(), held.front().second->JSON()) << "step " << step;
    }
    for (const auto& [bag, copy] : held)
        ASSERT_EQ(bag->JSON(), copy->JSON());
}

} // namespace
} // namespace k7::test
