// Reading and editing a bag through its members: what each read gives for every kind of key, the
// edits refused (the bag left as it was), edits checked against a plain ordered list, what is
// shared and what copied, settings reaching children, and trees deeper than any stack.

#include "JsonTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <utility>
#include <vector>

namespace k7::test {
namespace {

const QString kEnvelope = R"({"status":0,"data":[1,2],"message":"Success"})";
const QString kArray = "[10,[20],30]";

// What a read gave, as one comparable text: a bag as its JSON, Empty as "Empty", a failure as
// its failure text.
template <class Read> QString ReadOutcome(Read&& read) {
    return Outcome([&] {
        const Variant value = read();
        const auto bag = value.As<JsonBag>();
        return value.IsEmpty() ? QStringLiteral("Empty") : bag ? bag->JSON() : value.ToText();
    });
}

constexpr const char* kUnknown = "-2147182324-Requested Item by key doesn't exist (case mismatch?)";
constexpr const char* kNoKey = "-2147182332-Key must be provided, a String or an index";
constexpr const char* kByName = "-2147182328-Array values can only be acessed by index";
constexpr const char* kRange = "9-Subscript out of range";

TEST(JsonBagRead, ItemItemIsJsonExistsAndCloneItemAgreeOnEveryKind) {
    struct Row {
        const char* label;
        const QString* document;
        Variant key;
        const char* item;       // Item(key)
        const char* itemIsJson; // ItemIsJSON(key)
        bool exists;
        const char* cloneItem; // CloneItem(key)
    };
    const Row rows[] = {{"name", &kEnvelope, "status", "0", "False", true, "0"},
                        {"name case differs", &kEnvelope, "Status", kUnknown, kUnknown, false, kUnknown},
                        {"child by name", &kEnvelope, "data", "[1,2]", "True", true, "[1,2]"},
                        {"last position", &kEnvelope, int32_t(3), "Success", "False", true, "Success"},
                        {"beyond Count", &kEnvelope, int32_t(4), "Empty", kRange, false, kRange},
                        {"position 0", &kEnvelope, int32_t(0), kRange, kRange, false, kRange},
                        {"half rounds to even", &kEnvelope, 2.5, "[1,2]", "True", true, "[1,2]"},
                        {"Null", &kEnvelope, Variant::Null(), kNoKey, kNoKey, false, kNoKey},
                        {"Empty counts as no key", &kEnvelope, Variant(), kNoKey, kNoKey, false, kNoKey},
                        {"name on an array", &kArray, "x", kByName, kByName, false, kByName},
                        {"array child", &kArray, int32_t(2), "[20]", "True", true, "[20]"},
                        {"array 1.5 rounds to 2", &kArray, 1.5, "[20]", "True", true, "[20]"},
                        {"array beyond Count", &kArray, uint8_t(4), "Empty", kRange, false, kRange}};
    for (const Row& row : rows) {
        auto doc = Parse(*row.document);
        EXPECT_EQ(ReadOutcome([&] { return doc->Item(row.key); }), row.item) << row.label;
        EXPECT_EQ(ReadOutcome([&] { return Variant(doc->ItemIsJSON(row.key)); }), row.itemIsJson)
            << row.label;
        EXPECT_EQ(doc->Exists(row.key), row.exists) << row.label;
        EXPECT_EQ(ReadOutcome([&] { return doc->CloneItem(row.key); }), row.cloneItem) << row.label;
    }
}

TEST(JsonBagNames, ObjectsGiveNamesArraysGiveTheIndexUnchecked) {
    auto doc = Parse(kEnvelope);
    EXPECT_EQ(doc->Name(2), Variant("data"));
    EXPECT_EQ(FailureOf([&] { doc->Name(4); }), QString::fromUtf8(kRange));
    EXPECT_EQ(FailureOf([&] { doc->Name(0); }), QString::fromUtf8(kRange));
    auto array = Parse(kArray);
    EXPECT_EQ(array->Name(-3), Variant(int32_t(-3)));
}

struct Foreign : Object {};

// Edits that must be refused, each on a fresh bag holding two items; the bag stays as it was.
TEST(JsonBagEdit, RefusedEditsRaiseAndLeaveTheBagUnchanged) {
    using Bag = const std::shared_ptr<JsonBag>&;
    constexpr const char* kByKey =
        "-2147182320-Object values can only be changed or added by key not by index";
    constexpr const char* kForeign = "-2147182323-JsonBag does not support VB6 Objects";
    constexpr const char* kItself = "-2147182136-A JsonBag cannot contain itself";
    constexpr const char* kInvalid = "380-Invalid property value";
    const struct {
        const char* label;
        bool array;
        std::function<void(Bag)> edit;
        const char* failure;
    } rows[] = {{"object by position", false, [](Bag b) { b->SetItem(int32_t(1), 5.0); }, kByKey},
                {"object via AddNewArray without key", false, [](Bag b) { b->AddNewArray(); }, kByKey},
                {"array by name", true, [](Bag b) { b->SetItem("x", 5.0); },
                 "-2147182322-Array values can only be changed by index or added via Null"},
                {"array position 0", true, [](Bag b) { b->SetItem(int32_t(0), 5.0); }, kRange},
                {"remove by name on array", true, [](Bag b) { b->Remove("x"); },
                 "-2147182308-Must remove by index for arrays"},
                {"foreign object", false,
                 [](Bag b) { b->SetItem("f", Variant(std::make_shared<Foreign>())); }, kForeign},
                {"foreign object cloned", true,
                 [](Bag b) { b->SetCloneItem(Variant::Null(), Variant(std::make_shared<Foreign>())); },
                 kForeign},
                {"IsArray with items", false, [](Bag b) { b->SetIsArray(true); },
                 "-2147182336-Cannot change IsArray setting after items have been added"},
                {"simple item as JSON", false, [](Bag b) { b->ItemJSON("a"); },
                 "-2147182326-Simple Item cannot be retrieved as JSON text"},
                {"ItemJSON that does not parse", false, [](Bag b) { b->SetItemJSON("a", "[1,"); },
                 "5-Invalid procedure call or argument"},
                {"bag into itself", false, [](Bag b) { b->SetItem("me", Variant(b)); }, kItself},
                {"bag into its own child", false,
                 [](Bag b) { ChildOf(b->Item("c"))->SetItem(Variant::Null(), Variant(b)); }, kItself},
                {"indent 0", false, [](Bag b) { b->SetWhitespaceIndent(0); }, kInvalid},
                {"indent 33", false, [](Bag b) { b->SetWhitespaceIndent(33); }, kInvalid},
                {"empty line break", false, [](Bag b) { b->SetWhitespaceNewLine(QString()); }, kInvalid}};
    for (const auto& row : rows) {
        auto bag = Parse(row.array ? R"([1,{"c":[]}])" : R"({"a":1,"c":[]})");
        const QString before = bag->JSON();
        EXPECT_EQ(FailureOf([&] { row.edit(bag); }), QString::fromUtf8(row.failure)) << row.label;
        EXPECT_EQ(bag->JSON(), before) << row.label;
    }
}

TEST(JsonBagEdit, ArraysAppendOrReplaceInPlaceAndClearedObjectsMayBecomeArrays) {
    auto bag = Parse(R"({"a":1})");
    bag->Clear();
    bag->SetIsArray(true); // allowed again once empty
    bag->SetItem(Variant::Null(), 1.0);
    bag->SetItem(int32_t(7), 2.0); // beyond Count: appended
    bag->SetItem(int32_t(1), 3.0);
    bag->SetItem(Variant::Null(), 4.0);
    bag->Remove(int32_t(9));
    bag->Remove(Variant::Null());
    bag->Remove(1.0);
    EXPECT_EQ(bag->JSON(), "[2,4]");
}

using Members = std::vector<std::pair<QString, double>>;

QStringList Written(const Members& members) {
    QStringList texts;
    for (auto& [name, value] : members)
        texts << QStringLiteral("\"%1\":%2").arg(name).arg(value);
    return texts;
}

// Random edits checked against a plain list: catches index, tombstone and compaction faults in
// objects small and large. Names agree in their first and last four characters, so that a hash
// built from the ends of a name cannot tell them apart. The object edited is a parsed row of a
// table reply whose sibling carries the same names: the sibling keeps its members, found by name.
TEST(JsonBagEdit, RandomEditsMatchAPlainOrderedList) {
    auto nameOf = [](int i) { return QStringLiteral("abcd%1wxyz").arg(i, 3, 10, QLatin1Char('0')); };
    for (int names : {3, 8, 9, 40, 400}) {
        std::mt19937 random(1234 + names);
        Members model;
        for (int i = 0; i < names; i += 2) // every other name to begin with
            model.emplace_back(nameOf(i), i);
        // The last but one name once more, with a new value: it moves to the end.
        const Members repeat{{model[model.size() - 2].first, -1.0}};
        const QString row = u'{' + (Written(model) + Written(repeat)).join(u',') + u'}';
        model.erase(model.end() - 2);
        model.push_back(repeat.front());
        const Members parsed = model;
        auto doc = Parse(QStringLiteral("[%1,%1]").arg(row));
        auto bag = ChildOf(doc->Item(1));
        for (int step = 0; step < 6000; ++step) {
            const QString name = nameOf(int(random() % names));
            const auto found =
                std::find_if(model.begin(), model.end(), [&](auto& m) { return m.first == name; });
            const int position = model.empty() ? 1 : int(random() % model.size()) + 1;
            switch (random() % 6) {
            case 0:
            case 1:
                bag->SetItem(name, double(step));
                if (found != model.end())
                    model.erase(found);
                model.emplace_back(name, step);
                break;
            case 2:
                bag->Remove(name);
                if (found != model.end())
                    model.erase(found);
                break;
            case 3:
                bag->Remove(position);
                if (!model.empty())
                    model.erase(model.begin() + position - 1);
                break;
            case 4:
                ASSERT_EQ(bag->Exists(name), found != model.end());
                if (found != model.end()) {
                    ASSERT_EQ(bag->Item(name), Variant(found->second));
                }
                break;
            default:
                ASSERT_EQ(bag->Count(), int32_t(model.size()));
                if (!model.empty()) {
                    ASSERT_EQ(bag->Name(position), Variant(model[position - 1].first));
                    ASSERT_EQ(bag->Item(position), Variant(model[position - 1].second));
                }
            }
        }
        EXPECT_EQ(bag->JSON(), u'{' + Written(model).join(u',') + u'}') << names << " names";
        auto sibling = ChildOf(doc->Item(2));
        EXPECT_EQ(sibling->JSON(), u'{' + Written(parsed).join(u',') + u'}') << names << " names";
        for (auto& [name, value] : parsed)
            EXPECT_EQ(sibling->Item(name), Variant(value)) << name.toStdString();
    }
}

TEST(JsonBagEdit, ItemSharesWhileCloneAndCloneItemCopy) {
    auto doc = Parse(R"({"list":[1,[2]],"x":"y"})");
    doc->SetWhitespaceIndent(2);
    auto copy = doc->Clone(); // writes as its source does: the fuzz target's check
    EXPECT_EQ(copy->WhitespaceIndent(), 2);
    ChildOf(copy->Item("list"))->SetItem(Variant::Null(), 3.0);
    ChildOf(doc->CloneItem("list"))->SetItem(int32_t(1), "copy");
    ChildOf(doc->Item("list"))->SetItem(int32_t(1), "shared");
    EXPECT_EQ(doc->JSON(), R"({"list":["shared",[2]],"x":"y"})");

    auto stored = Parse("[7]");
    doc->SetCloneItem("c", Variant(stored)); // a bag stored by SetItem is shared: the arena rows
    stored->SetItem(int32_t(1), 8.0);
    EXPECT_EQ(doc->JSON(), R"({"list":["shared",[2]],"x":"y","c":[7]})");
}

TEST(JsonBagEdit, SettingsFlowToNewAndExistingChildren) {
    auto doc = JsonBag::Create();
    doc->SetDecimalMode(true);
    doc->SetWhitespace(true);
    doc->SetWhitespaceNewLine("\n");
    auto list = doc->AddNewArray("list");
    auto object = list->AddNewObject(); // refused unless the list is an array
    object->SetItemJSON("k", "[0.1]");
    EXPECT_EQ(ChildOf(object->Item("k"))->Item(1).Type(), VarType::Decimal);
    EXPECT_EQ(ChildOf(doc->Item("list"))->ItemJSON(1), "{\n    \"k\":[\n        0.1\n    ]\n}");

    auto parsed = Parse(R"({"a":{"b":[1.5]}})");
    auto inner = ChildOf(ChildOf(parsed->Item("a"))->Item("b"));
    parsed->SetDecimalMode(true);
    parsed->SetWhitespaceIndent(1);
    parsed->SetWhitespace(true);
    EXPECT_EQ(inner->Item(1).Type(), VarType::Double); // parsed values are not converted
    EXPECT_EQ(inner->JSON(), "[\r\n 1.5\r\n]");
    parsed->Clear();
    EXPECT_TRUE(parsed->DecimalMode() && parsed->Whitespace());
}

TEST(JsonBagEdit, TreesBuiltByEditingMayBeArbitrarilyDeep) {
    constexpr int kDepth = 100'000;
    auto root = JsonBag::Create();
    root->SetIsArray(true);
    {
        auto level = root;
        for (int i = 0; i < kDepth; ++i)
            level = level->AddNewArray();
    }
    const QString text = root->JSON();
    EXPECT_EQ(text, QString(kDepth + 1, u'[') + QString(kDepth + 1, u']'));
    auto copy = root->Clone();
    root->SetWhitespace(true); // passed down to every level
    EXPECT_EQ(copy->JSON(), text);
    root.reset();
    copy->Clear();
    EXPECT_EQ(copy->JSON(), "{}");
}

} // namespace
} // namespace k7::test
