// A parsed document is one block of nodes that its bag reads; the bags for nested objects and
// arrays are made when asked for, and the first edit moves a subtree into ordinary bags. Member
// names are held once per document, and objects are indexed only when first looked up. None of
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

const QString kRow = R"({"a":{"x":[1]},"b":2})";
const QString kTree = R"({"a":1,"b":{"x":[1]},"c":[{"k":1}]})";

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

// The bag at `keys`, one level down for each key.
template <class... Keys> Doc Child(Doc bag, const Keys&... keys) {
    ((bag = ChildOf(bag->Item(Variant(keys)))), ...);
    return bag;
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
    {"e", Variant()},
    {"y", Variant(uint8_t(200))},
    {"i", Variant(int16_t(-3))},
    {"l", Variant(int32_t(70000))},
    {"s", Variant(0.1f)},
    {"c", Variant(Currency{-1000})},
    {"m", Variant(*Decimal::FromText(u"2.50"))},
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
        {"the document read again while a handle is held", kRow,
         [](Doc& doc) {
             auto x = Child(doc, "a", "x");
             doc->SetJSON("[5]");
             return doc->JSON() + x->JSON();
         },
         "[5][1]"},
        // New documents take the memory the first gave back: a handle still reading it shows.
        {"a handle removed from its document outlives it, and its names and copies outlive the handle", kRow,
         [](Doc& doc) {
             auto a = Child(doc, "a");
             doc->Remove("a");
             const QString left = doc->JSON();
             const Variant name = a->Name(1);
             doc.reset();
             for (int i = 0; i < 8; ++i)
                 Parse(kTree);
             const Doc copy = a->Clone();
             Child(a, "x")->SetItem(Variant::Null(), 2.0);
             const QString written = a->JSON();
             a.reset();
             return left + written + name.ToText() + copy->JSON();
         },
         R"({"b":2}{"x":[1,2]}x{"x":[1]})"},
        {"a handle moved to another document outlives both", kRow,
         [](Doc& doc) {
             auto other = Parse(R"({"k":{}})");
             Child(other, "k")->SetItem("a", doc->Item("a"));
             doc.reset();
             auto moved = Child(other, "k", "a");
             other.reset();
             return moved->JSON();
         },
         R"({"x":[1]})"},
        {"a handle given a new text holds it in its place", kRow,
         [](Doc& doc) {
             Child(doc, "a")->SetJSON(R"([9,{"q":[]}])");
             return doc->JSON() + Child(doc, "a", 2)->JSON();
         },
         R"({"a":[9,{"q":[]}],"b":2}{"q":[]})"},
        {"a copy of an edited document is its own", kTree,
         [](Doc& doc) {
             auto b = Child(doc, "b");
             doc->Remove("a");
             b->SetItem("y", 2.0);
             doc->AddNewArray("d")->SetItem(Variant::Null(), 5.0);
             b->Remove("x");
             auto copy = doc->Clone();
             Child(copy, "b")->Remove("y");
             return doc->JSON() + copy->JSON();
         },
         R"({"b":{"y":2},"c":[{"k":1}],"d":[5]}{"b":{},"c":[{"k":1}],"d":[5]})"},
        {"a thousand levels, each grown while handles to all are held", Nested(1000),
         [](Doc& doc) {
             std::vector<Doc> levels{doc};
             for (int level = 1; level < 1000; ++level)
                 levels.push_back(Child(levels.back(), 1));
             for (Doc& level : levels)
                 level->SetItem(Variant::Null(), 0.0);
             levels.front()->Remove(2);
             levels.erase(levels.begin());
             doc.reset();
             QString expected = QString(999, u'[') + u'7';
             for (int i = 0; i < 999; ++i)
                 expected += ",0]";
             return Shown(levels.front()->JSON() == expected) + levels.back()->JSON();
         },
         "true[7,0]"},
    };
    CheckRows(rows);
}

// Simple values set, added and removed in a parsed document stay in its arena: containers that
// grow move, gaps close, and every handle held across that keeps naming its own container.
TEST(JsonBagArena, EditsInTheDocumentKeepHandlesOnTheirContainers) {
    const Row rows[] = {
        {"the document grows past its run while handles below are held", kTree,
         [](Doc& doc) {
             auto b = Child(doc, "b");
             auto x = Child(b, "x");
             for (int i = 0; i < 20; ++i)
                 doc->SetItem(QStringLiteral("n%1").arg(i), double(i));
             for (int i = 2; i <= 9; ++i)
                 x->SetItem(Variant::Null(), double(i));
             b->SetItem("y", "z");
             return Shown(b == Child(doc, "b")) + doc->Item("n19").ToText() + Child(doc, "b")->JSON();
         },
         R"(true19{"x":[1,2,3,4,5,6,7,8,9],"y":"z"})"},
        {"handles replaced in their document, changed or not, live on only where they are held", kTree,
         [](Doc& doc) {
             auto b = Child(doc, "b");
             auto c = Child(doc, "c");
             auto k = Child(c, 1);
             b->AddNewObject("n")->SetItem("m", 1.0);
             c->SetItem(1, Variant::Null());
             k->SetItem("m", false);
             doc->SetItem("b", 0.0);
             const QString left = doc->JSON();
             doc.reset();
             return left + b->JSON() + c->JSON() + k->JSON();
         },
         R"({"a":1,"c":[null],"b":0}{"x":[1],"n":{"m":1}}[null]{"k":1,"m":false})"},
        {"strings and decimals set go into the document and read back", R"(["old"])",
         [](Doc& doc) {
             doc->SetItem(1, "\"q\"\u00e9\n");
             doc->SetItem(Variant::Null(), QString());
             doc->SetItem(Variant::Null(), Variant(*Decimal::FromText(u"1.50")));
             return doc->JSON() + u'|' + doc->Item(1).ToText() + u'|' +
                    Shown(doc->Item(2).ToText().isEmpty());
         },
         "[\"\\\"q\\\"\u00e9\\n\",\"\",1.5]|\"q\"\u00e9\n|true"},
        // The repeated member m17 was parsed last; removing and setting again close and move.
        {"a wide object edited by name keeps finding its members", Wide(5000),
         [](Doc& doc) {
             const QString before = doc->Item("m4321").ToText() + u' ' + doc->Name(5000).ToText();
             doc->Remove("m100");
             doc->SetItem("m200", -200.0);
             doc->SetItem("new", 1.0);
             return before + u' ' + doc->Item("m4321").ToText() + u' ' + Shown(doc->Exists("m100")) + u' ' +
                    doc->Name(4998).ToText() + u' ' + doc->Item("m17").ToText() + u' ' +
                    doc->Name(4999).ToText() + u' ' + doc->Name(5000).ToText() + u' ' +
                    doc->Item("m300").ToText() + u' ' + doc->Item(101).ToText();
         },
         "4321 m17 4321 false m17 -17 m200 new 300 102"},
        {"values of every type read back and are written as a bag holding entries has them",
         R"({"a":{"k":1}})",
         [](Doc& doc) {
             auto a = Child(doc, "a");
             auto built = JsonBag::Create();
             for (const auto& [name, value] : kEveryType) {
                 a->SetItem(name, value);
                 built->SetItem(name, value);
             }
             a->SetItem("k", int32_t(5));
             built->SetItem("k", int32_t(5));
             return Shown(Typed(a) == Typed(built) && a->JSON() == built->JSON()) + a->JSON() + Typed(a) +
                    Shown(a->Item("e").IsEmpty());
         },
         R"(true{"e":null,"y":200,"i":-3,"l":70000,"s":0.1,"c":-0.1,"m":2.5,"k":5})"
         "0: 17:200 2:-3 3:70000 4:0.1 6:-0.1 14:2.5 3:5 true"},
        {"a date set keeps its type and is refused on writing, by name", R"([{"k":1}])",
         [](Doc& doc) {
             Child(doc, 1)->SetItem("when", Variant(Date(1.5)));
             return Shown(int(Child(doc, 1)->Item("when").Type())) + FailureOf([&] { doc->JSON(); });
         },
         "7-2147182268-\"Item when\" unknown/unsupported type = 7"},
        {"a bag stored is shared: edits made through it later show in the document", kRow,
         [](Doc& doc) {
             auto built = JsonBag::Create();
             auto other = Parse("[1]");
             doc->SetItem("k", built);
             Child(doc, "a")->SetItem("o", other);
             doc->AddNewObject("n")->SetItem("y", 2.0);
             built->SetItem("x", 1.0);
             other->SetItem(Variant::Null(), 2.0);
             return doc->JSON() + Shown(Child(doc, "k") == built) + Shown(Child(doc, "a", "o") == other) +
                    Shown(doc->ItemIsJSON("n")) + doc->Clone()->JSON();
         },
         R"({"a":{"x":[1],"o":[1,2]},"b":2,"k":{"x":1},"n":{"y":2}}truetruetrue)"
         R"({"a":{"x":[1],"o":[1,2]},"b":2,"k":{"x":1},"n":{"y":2}})"},
        {"bags that left the document are let go of, and may then hold it without keeping it", kTree,
         [](Doc& doc) {
             auto x = Child(doc, "b", "x");
             auto kept = JsonBag::Create();
             auto replaced = JsonBag::Create();
             Child(doc, "c", 1)->SetItem("k", kept);
             doc->SetItem("a", replaced);
             const std::weak_ptr<JsonBag> gone = replaced;
             replaced.reset();
             doc->SetItem("a", 3.0);
             doc->Remove("b");
             doc->Remove("c");
             x->SetItem(Variant::Null(), doc);
             kept->SetItem("d", doc);
             const std::weak_ptr<JsonBag> document = doc;
             const QString written = x->JSON() + kept->JSON();
             doc.reset();
             x.reset();
             kept.reset();
             return written + Shown(gone.expired()) + Shown(document.expired());
         },
         R"([1,{"a":3}]{"d":{"a":3}}truetrue)"},
        {"a handle cleared with handles below held, then made an array in its place", kTree,
         [](Doc& doc) {
             auto b = Child(doc, "b");
             auto x = Child(b, "x");
             b->Clear();
             const QString cleared = doc->JSON();
             b->SetIsArray(true);
             b->SetItem(Variant::Null(), 5.0);
             x->SetItem(Variant::Null(), 2.0);
             return cleared + doc->JSON() + x->JSON() + Shown(b == Child(doc, "b")) +
                    FailureOf([&] { b->SetIsArray(false); });
         },
         R"({"a":1,"b":{},"c":[{"k":1}]}{"a":1,"b":[5],"c":[{"k":1}]}[1,2]true)"
         "-2147182336-Cannot change IsArray setting after items have been added"},
        {"documents stored one in another, five thousand deep, released on a small stack", "[]",
         [](Doc& doc) {
             Doc inner = doc;
             for (int level = 0; level < 5000; ++level) {
                 inner->SetItemJSON(Variant::Null(), "[]");
                 inner = Child(inner, 1);
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
         "true"},
        // Settings set on the document reach the bags handed out before; a handle's own stay its
        // own and reach the bags made later below it.
        {"a handle's own setting reaches the bags made later below it and follows its container",
         R"({"a":1,"b":{"x":[1],"y":{"z":{}}},"c":[{"k":1}]})",
         [](Doc& doc) {
             const auto indentOf = [&](const char* member) {
                 return Shown(Child(doc, member)->WhitespaceIndent());
             };
             Child(doc, "b")->SetWhitespaceIndent(2);
             Child(doc, "b")->SetWhitespace(true);
             doc->SetDecimalMode(true);
             QString shown = Shown(Child(doc, "b", "y", "z")->WhitespaceIndent()) + indentOf("c") +
                             Shown(doc->WhitespaceIndent()) + Shown(Child(doc, "b")->DecimalMode());
             doc->Remove("a");
             for (int i = 0; i < 10; ++i)
                 doc->SetItem(QStringLiteral("n%1").arg(i), double(i));
             shown += indentOf("b") + u' ' + Child(doc, "b")->JSON() + u' ' + doc->ItemJSON("c");
             doc->SetItem("b", "gone");
             doc->SetItemJSON("b", "{}");
             doc->SetWhitespaceIndent(3);
             return shown + u' ' + indentOf("b") + indentOf("c");
         },
         "244true2 {\r\n  \"x\":[\r\n    1\r\n  ],\r\n  \"y\":{\r\n    \"z\":{}\r\n  }\r\n} [{\"k\":1}] 33"},
    };
    CheckRows(rows);
}
// Random edits through bags held at every level of a parsed document, done alike on a copy made
// of bags holding entries: after every step both write the same text, and so does every pair of
// bags held, the ones that left their document included; their items read back alike.
TEST(JsonBagArena, RandomEditsThroughHandlesMatchACopyHoldingEntries) {
    std::mt19937 random(33);
    const auto pick = [&](int count) { return int32_t(random() % uint32_t(count)); };
    const QString names[] = {"a", "b", "c", "d"};
    Doc doc = Parse(R"({"a":[1,{"b":[2,3]},[4],{"c":{}},[5,[6]]],"b":{"d":[[4],{},[7]]},"c":5,"d":[{},{}]})");
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
