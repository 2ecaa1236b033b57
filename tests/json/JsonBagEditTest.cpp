#include "JsonTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <utility>
#include <vector>

namespace k7::test {
namespace {

const QString kEnvelope = QStringLiteral("{\"status\":0,\"data\":[1,2],\"message\":\"Success\"}");
const QString kArray = QStringLiteral("[10,[20],30]");

// What a read gave, as one comparable text: a bag as its JSON, Empty as "Empty", a failure as
// its failure text.
template <class Read> QString Outcome(Read&& read) {
    try {
        Variant value = read();
        if (value.IsEmpty())
            return QStringLiteral("Empty");
        if (auto bag = value.As<JsonBag>())
            return bag->JSON();
        return value.ToText();
    } catch (const RuntimeError& error) {
        return error.FailureText();
    }
}

struct KeyRow {
    const char* label;
    const QString* document;
    Variant key;
    const char* item;       // Item(key)
    const char* itemIsJson; // ItemIsJSON(key)
    bool exists;
    const char* cloneItem; // CloneItem(key)
};

void PrintTo(const KeyRow& row, std::ostream* out) {
    *out << row.label;
}

constexpr const char* kUnknown = "-2147182324-Requested Item by key doesn't exist (case mismatch?)";
constexpr const char* kNoKey = "-2147182332-Key must be provided, a String or an index";
constexpr const char* kByName = "-2147182328-Array values can only be acessed by index";
constexpr const char* kRange = "9-Subscript out of range";

class ReadByKey : public ::testing::TestWithParam<KeyRow> {};

TEST_P(ReadByKey, ItemItemIsJsonExistsAndCloneItemAgree) {
    const KeyRow& row = GetParam();
    auto doc = Parse(*row.document);
    EXPECT_EQ(Outcome([&] { return doc->Item(row.key); }), QString::fromUtf8(row.item));
    EXPECT_EQ(Outcome([&] { return Variant(doc->ItemIsJSON(row.key)); }), QString::fromUtf8(row.itemIsJson));
    EXPECT_EQ(doc->Exists(row.key), row.exists);
    EXPECT_EQ(Outcome([&] { return doc->CloneItem(row.key); }), QString::fromUtf8(row.cloneItem));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ReadByKey,
    ::testing::Values(
        KeyRow{"name", &kEnvelope, QStringLiteral("status"), "0", "False", true, "0"},
        KeyRow{"name case differs", &kEnvelope, QStringLiteral("Status"), kUnknown, kUnknown, false,
               kUnknown},
        KeyRow{"child by name", &kEnvelope, QStringLiteral("data"), "[1,2]", "True", true, "[1,2]"},
        KeyRow{"last position", &kEnvelope, int32_t(3), "Success", "False", true, "Success"},
        KeyRow{"beyond Count", &kEnvelope, int32_t(4), "Empty", kRange, false, kRange},
        KeyRow{"position 0", &kEnvelope, int32_t(0), kRange, kRange, false, kRange},
        KeyRow{"negative", &kEnvelope, int16_t(-1), kRange, kRange, false, kRange},
        KeyRow{"half rounds to even", &kEnvelope, 2.5, "[1,2]", "True", true, "[1,2]"},
        KeyRow{"fraction beyond Count", &kEnvelope, 3.5, "Empty", kRange, false, kRange},
        KeyRow{"Null", &kEnvelope, Variant::Null(), kNoKey, kNoKey, false, kNoKey},
        KeyRow{"Empty counts as no key", &kEnvelope, Variant(), kNoKey, kNoKey, false, kNoKey},
        KeyRow{"name on an array", &kArray, QStringLiteral("x"), kByName, kByName, false, kByName},
        KeyRow{"array child", &kArray, int32_t(2), "[20]", "True", true, "[20]"},
        KeyRow{"array 1.5 rounds to 2", &kArray, 1.5, "[20]", "True", true, "[20]"},
        KeyRow{"array beyond Count", &kArray, uint8_t(4), "Empty", kRange, false, kRange}));

TEST(JsonBagNames, ObjectsGiveNamesArraysGiveTheIndexUnchecked) {
    auto doc = Parse(kEnvelope);
    EXPECT_EQ(doc->Name(2), Variant(QStringLiteral("data")));
    EXPECT_EQ(FailureOf([&] { doc->Name(4); }), QString::fromUtf8(kRange));
    EXPECT_EQ(FailureOf([&] { doc->Name(0); }), QString::fromUtf8(kRange));
    auto array = Parse(kArray);
    EXPECT_EQ(array->Name(99), Variant(int32_t(99)));
    EXPECT_EQ(array->Name(-3), Variant(int32_t(-3)));
}

// Edits that must be refused, each on a fresh bag holding one item.
struct RefusedEdit {
    const char* label;
    bool array;
    std::function<void(const std::shared_ptr<JsonBag>&)> edit;
    const char* failure;
};

void PrintTo(const RefusedEdit& row, std::ostream* out) {
    *out << row.label;
}

struct Foreign : Object {};

class RefusedEdits : public ::testing::TestWithParam<RefusedEdit> {};

TEST_P(RefusedEdits, RaiseAndLeaveTheBagUnchanged) {
    auto bag =
        Parse(GetParam().array ? QStringLiteral("[1,{\"c\":[]}]") : QStringLiteral("{\"a\":1,\"c\":[]}"));
    const QString before = bag->JSON();
    EXPECT_EQ(FailureOf([&] { GetParam().edit(bag); }), QString::fromUtf8(GetParam().failure));
    EXPECT_EQ(bag->JSON(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RefusedEdits,
    ::testing::Values(
        RefusedEdit{"object by position", false, [](auto b) { b->SetItem(int32_t(1), 5.0); },
                    "-2147182320-Object values can only be changed or added by key not by index"},
        RefusedEdit{"object by Null", false, [](auto b) { b->SetItem(Variant::Null(), 5.0); },
                    "-2147182320-Object values can only be changed or added by key not by index"},
        RefusedEdit{"object via AddNewArray without key", false, [](auto b) { b->AddNewArray(); },
                    "-2147182320-Object values can only be changed or added by key not by index"},
        RefusedEdit{"array by name", true, [](auto b) { b->SetItem(QStringLiteral("x"), 5.0); },
                    "-2147182322-Array values can only be changed by index or added via Null"},
        RefusedEdit{"array position 0", true, [](auto b) { b->SetItem(int32_t(0), 5.0); }, kRange},
        RefusedEdit{"remove by name on array", true, [](auto b) { b->Remove(QStringLiteral("x")); },
                    "-2147182308-Must remove by index for arrays"},
        RefusedEdit{"foreign object", false,
                    [](auto b) { b->SetItem(QStringLiteral("f"), Variant(std::make_shared<Foreign>())); },
                    "-2147182323-JsonBag does not support VB6 Objects"},
        RefusedEdit{"foreign object cloned", true,
                    [](auto b) { b->SetCloneItem(Variant::Null(), Variant(std::make_shared<Foreign>())); },
                    "-2147182323-JsonBag does not support VB6 Objects"},
        RefusedEdit{"IsArray with items", false, [](auto b) { b->SetIsArray(true); },
                    "-2147182336-Cannot change IsArray setting after items have been added"},
        RefusedEdit{"simple item as JSON", false, [](auto b) { b->ItemJSON(QStringLiteral("a")); },
                    "-2147182326-Simple Item cannot be retrieved as JSON text"},
        RefusedEdit{"ItemJSON that does not parse", false,
                    [](auto b) { b->SetItemJSON(QStringLiteral("a"), QStringLiteral("[1,")); },
                    "5-Invalid procedure call or argument"},
        RefusedEdit{"bag into itself", false, [](auto b) { b->SetItem(QStringLiteral("me"), Variant(b)); },
                    "-2147182136-A JsonBag cannot contain itself"},
        RefusedEdit{
            "bag into its own child", false,
            [](auto b) { ChildOf(b->Item(QStringLiteral("c")))->SetItem(Variant::Null(), Variant(b)); },
            "-2147182136-A JsonBag cannot contain itself"},
        RefusedEdit{"indent 0", false, [](auto b) { b->SetWhitespaceIndent(0); },
                    "380-Invalid property value"},
        RefusedEdit{"indent 33", false, [](auto b) { b->SetWhitespaceIndent(33); },
                    "380-Invalid property value"},
        RefusedEdit{"empty line break", false, [](auto b) { b->SetWhitespaceNewLine(QString()); },
                    "380-Invalid property value"}));

TEST(JsonBagEdit, ArrayWritesAppendOrReplaceInPlace) {
    auto bag = JsonBag::Create();
    bag->SetIsArray(true);
    bag->SetItem(Variant::Null(), 1.0);
    bag->SetItem(int32_t(7), 2.0);
    bag->SetItem(int32_t(1), 3.0);
    EXPECT_EQ(bag->JSON(), QStringLiteral("[3,2]"));
    bag->Remove(int32_t(9));
    bag->Remove(Variant::Null());
    EXPECT_EQ(bag->Count(), 2);
    auto numbers = Parse(QStringLiteral("[10,20,30]"));
    numbers->Remove(1.0);
    EXPECT_EQ(numbers->JSON(), QStringLiteral("[20,30]"));
    EXPECT_EQ(numbers->Item(1), Variant(20.0));
    EXPECT_EQ(numbers->Name(2), Variant(int32_t(2)));
}

TEST(JsonBagEdit, ObjectWritesMoveTheMemberToTheEnd) {
    auto bag = Parse(QStringLiteral("{\"a\":1,\"b\":2,\"c\":3}"));
    bag->SetItem(QStringLiteral("a"), 5.0);
    EXPECT_EQ(bag->JSON(), QStringLiteral("{\"b\":2,\"c\":3,\"a\":5}"));
    bag->Remove(int32_t(2));
    EXPECT_EQ(bag->Name(2), Variant(QStringLiteral("a")));
    bag->Remove(QStringLiteral("zz"));
    bag->Remove(QStringLiteral("b"));
    EXPECT_EQ(bag->JSON(), QStringLiteral("{\"a\":5}"));
    bag->Clear();
    EXPECT_EQ(bag->Count(), 0);
    bag->SetIsArray(true);
    EXPECT_TRUE(bag->IsArray());
}

// Random edits checked against a plain list: catches index, tombstone and compaction faults in
// objects small and large.
TEST(JsonBagEdit, RandomEditsMatchAPlainOrderedList) {
    for (int names : {3, 8, 9, 40, 400}) {
        std::mt19937 random(1234 + names);
        auto bag = JsonBag::Create();
        std::vector<std::pair<QString, double>> model;
        for (int step = 0; step < 6000; ++step) {
            const QString name = QStringLiteral("n%1").arg(random() % names);
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
        QString expected = QStringLiteral("{");
        for (auto& [name, value] : model)
            expected += QStringLiteral("\"%1\":%2,").arg(name).arg(value);
        if (model.empty())
            expected += QLatin1Char('}');
        else
            expected.back() = QLatin1Char('}');
        EXPECT_EQ(bag->JSON(), expected) << names << " names";
    }
}

TEST(JsonBagEdit, ItemSharesWhileCloneAndCloneItemCopy) {
    auto doc = Parse(QStringLiteral("{\"list\":[1,[2]],\"x\":\"y\"}"));
    doc->SetWhitespaceIndent(2);
    doc->SetDecimalMode(true);
    auto copy = doc->Clone();
    EXPECT_EQ(copy->JSON(), doc->JSON());
    EXPECT_EQ(copy->WhitespaceIndent(), 2);
    ChildOf(copy->Item(QStringLiteral("list")))->SetItem(Variant::Null(), 3.0);
    EXPECT_EQ(doc->JSON(), QStringLiteral("{\"list\":[1,[2]],\"x\":\"y\"}"));

    ChildOf(doc->Item(QStringLiteral("list")))->SetItem(int32_t(1), QStringLiteral("shared"));
    EXPECT_EQ(doc->JSON(), QStringLiteral("{\"list\":[\"shared\",[2]],\"x\":\"y\"}"));
    ChildOf(doc->CloneItem(QStringLiteral("list")))->SetItem(int32_t(1), QStringLiteral("copy"));
    EXPECT_EQ(doc->JSON(), QStringLiteral("{\"list\":[\"shared\",[2]],\"x\":\"y\"}"));

    auto stored = Parse(QStringLiteral("[7]"));
    doc->SetCloneItem(QStringLiteral("c"), Variant(stored));
    stored->SetItem(int32_t(1), 8.0);
    EXPECT_EQ(doc->ItemJSON(QStringLiteral("c")), QStringLiteral("[7]"));
}

TEST(JsonBagEdit, NewChildrenInheritSettingsAndStayShared) {
    auto doc = JsonBag::Create();
    doc->SetDecimalMode(true);
    doc->SetWhitespace(true);
    doc->SetWhitespaceNewLine(QStringLiteral("\n"));
    auto list = doc->AddNewArray(QStringLiteral("list"));
    auto object = list->AddNewObject();
    EXPECT_TRUE(list->IsArray());
    EXPECT_FALSE(object->IsArray());
    EXPECT_TRUE(object->DecimalMode());
    EXPECT_TRUE(object->Whitespace());
    EXPECT_EQ(object->WhitespaceNewLine(), QStringLiteral("\n"));
    object->SetItemJSON(QStringLiteral("k"), QStringLiteral("[0.1]"));
    EXPECT_EQ(ChildOf(object->Item(QStringLiteral("k")))->Item(1).Type(), VarType::Decimal);
    EXPECT_EQ(ChildOf(doc->Item(QStringLiteral("list")))->ItemJSON(1),
              QStringLiteral("{\n    \"k\":[\n        0.1\n    ]\n}"));
}

TEST(JsonBagEdit, SettingsFlowDownToExistingChildren) {
    auto doc = Parse(QStringLiteral("{\"a\":{\"b\":[1.5]}}"));
    auto inner = ChildOf(ChildOf(doc->Item(QStringLiteral("a")))->Item(QStringLiteral("b")));
    doc->SetDecimalMode(true);
    doc->SetWhitespaceIndent(1);
    doc->SetWhitespace(true);
    EXPECT_TRUE(inner->DecimalMode());
    EXPECT_EQ(inner->Item(1).Type(), VarType::Double); // parsed values are not converted
    EXPECT_EQ(inner->JSON(), QStringLiteral("[\r\n 1.5\r\n]"));
    doc->Clear();
    EXPECT_TRUE(doc->DecimalMode());
    EXPECT_TRUE(doc->Whitespace());
    EXPECT_EQ(doc->Version(), QStringList({QStringLiteral("2"), QStringLiteral("5")}));
}

TEST(JsonBagEdit, SharedChildIsWrittenWhereverItIsHeld) {
    auto doc = JsonBag::Create();
    auto shared = Parse(QStringLiteral("[1]"));
    doc->SetItem(QStringLiteral("a"), Variant(shared));
    doc->SetItem(QStringLiteral("b"), Variant(shared));
    EXPECT_EQ(doc->JSON(), QStringLiteral("{\"a\":[1],\"b\":[1]}"));
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
    EXPECT_EQ(text.size(), 2 * (kDepth + 1));
    EXPECT_TRUE(text.startsWith(QStringLiteral("[[[")) && text.endsWith(QStringLiteral("]]]")));
    auto copy = root->Clone();
    root->SetWhitespace(true);
    EXPECT_EQ(copy->JSON(), text);
    root.reset();
    copy->Clear();
    EXPECT_EQ(copy->JSON(), QStringLiteral("{}"));
}

} // namespace
} // namespace k7::test
