// Variant conversions of every type as the runtime does them, and the default member of objects.

#include "support/Checks.h"

#include "core/Variant.h"

#include <gtest/gtest.h>

namespace k7 {
namespace {

using test::Outcome;

// An object whose default member answers with the key it was given, to prove forwarding.
class EchoObject : public Object {
public:
    Variant Item(const Variant& key) const override { return key; }
};

constexpr const char* kMismatch = "13-Type mismatch";
constexpr const char* kNull = "94-Invalid use of Null";

TEST(Variant, ConvertsEachTypeAsTheRuntimeDoes) {
    struct Row {
        Variant value;
        VarType type;
        const char* text;   // ToText
        const char* number; // ToLong: halves to even
        const char* truth;  // ToBoolean
        const char* isZero; // EqualsNumber(0), as an If statement judges it
    };
    const Row rows[] = {
        {Variant(), VarType::Empty, "", "0", "false", "true"},
        {Variant::Null(), VarType::Null, kNull, kNull, kNull, "false"},
        {Variant(true), VarType::Boolean, "True", "-1", "true", "false"},
        {Variant(uint8_t{200}), VarType::Byte, "200", "200", "true", "false"},
        {Variant(int16_t{-7}), VarType::Integer, "-7", "-7", "true", "false"},
        {Variant(int32_t{70000}), VarType::Long, "70000", "70000", "true", "false"},
        {Variant(55.2f), VarType::Single, "55.2", "55", "true", "false"},
        {Variant(4711.5), VarType::Double, "4711.5", "4712", "true", "false"},
        {Variant(0.0), VarType::Double, "0", "0", "false", "true"},
        {Variant(Currency{-12345}), VarType::Currency, "-1.2345", "-1", "true", "false"},
        {Variant(Currency{20000}), VarType::Currency, "2", "2", "true", "false"},
        {Variant(*Decimal::FromText(u"2.50")), VarType::Decimal, "2.5", "2", "true", "false"},
        {Variant(*Decimal::FromText(u"0.0")), VarType::Decimal, "0", "0", "false", "true"},
        {Variant(Date(45322.5)), VarType::Date, "2024-01-31 12:00:00", "45322", "true", "false"},
        {Variant("T-4711"), VarType::String, "T-4711", kMismatch, kMismatch, kMismatch},
        {Variant("3.5"), VarType::String, "3.5", "4", "true", "false"},
        {Variant("0"), VarType::String, "0", "0", "false", "true"},
        {Variant("tRUE"), VarType::String, "tRUE", kMismatch, "true", kMismatch},
        {Variant(std::make_shared<EchoObject>()), VarType::Object, kMismatch, kMismatch, kMismatch,
         kMismatch}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(row.value.Type(), row.type);
        EXPECT_EQ(Outcome([&] { return row.value.ToText(); }), row.text);
        EXPECT_EQ(Outcome([&] { return double(row.value.ToLong()); }), row.number);
        EXPECT_EQ(Outcome([&] { return row.value.ToBoolean(); }), row.truth);
        EXPECT_EQ(Outcome([&] { return row.value.EqualsNumber(0); }), row.isZero);
    }
    EXPECT_EQ(Variant("2.5").ToInteger(), 2);
    EXPECT_EQ(Variant(45322.5).ToDate(), Date(45322.5));
}

TEST(Variant, ChainedItemForwardsOrNeedsAnObject) {
    class Plain : public Object {}; // no default member
    EXPECT_EQ(Variant(std::make_shared<EchoObject>()).Item("Id_prod").ToText(), "Id_prod");
    EXPECT_EQ(Outcome([] { return Variant().Item("Id_prod").ToText(); }), "424-Object required");
    EXPECT_EQ(Outcome([] { return Variant(3.0).Item(1).ToText(); }), "424-Object required");
    EXPECT_EQ(Outcome([] { return Variant(std::make_shared<Plain>()).Item(1).ToText(); }).left(4), "438-");
}

} // namespace
} // namespace k7
