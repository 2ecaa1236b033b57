#include "core/RuntimeError.h"
#include "core/Variant.h"

#include <gtest/gtest.h>

namespace k7 {
namespace {

int32_t ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

// An object whose default member answers with the key it was given, to prove forwarding.
class EchoObject : public Object {
public:
    Variant Item(const Variant& key) const override { return key; }
};

TEST(Variant, ReportsTheRuntimeTypeCodes) {
    EXPECT_EQ(Variant().Type(), VarType::Empty);
    EXPECT_EQ(Variant::Null().Type(), VarType::Null);
    EXPECT_EQ(Variant(true).Type(), VarType::Boolean);
    EXPECT_EQ(Variant(uint8_t{1}).Type(), VarType::Byte);
    EXPECT_EQ(Variant(int16_t{1}).Type(), VarType::Integer);
    EXPECT_EQ(Variant(1).Type(), VarType::Long);
    EXPECT_EQ(Variant(1.0f).Type(), VarType::Single);
    EXPECT_EQ(Variant(1.0).Type(), VarType::Double);
    EXPECT_EQ(Variant(Currency{10000}).Type(), VarType::Currency);
    EXPECT_EQ(Variant(*Decimal::FromText(u"1")).Type(), VarType::Decimal);
    EXPECT_EQ(Variant(Date(1)).Type(), VarType::Date);
    EXPECT_EQ(Variant("x").Type(), VarType::String);
    EXPECT_EQ(Variant(std::make_shared<EchoObject>()).Type(), VarType::Object);
    EXPECT_EQ(static_cast<int>(VarType::Date), 7);
    EXPECT_EQ(static_cast<int>(VarType::Decimal), 14);
}

TEST(Variant, ChainedItemForwardsOrNeedsAnObject) {
    const Variant holder(std::make_shared<EchoObject>());
    EXPECT_EQ(holder.Item("Id_prod").ToText(), "Id_prod");
    EXPECT_EQ(ErrorOf([] { Variant().Item("Id_prod"); }), ErrorNumber::ObjectRequired);
    EXPECT_EQ(ErrorOf([] { Variant(3.0).Item(1); }), ErrorNumber::ObjectRequired);
    try {
        Variant().Item(1);
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.FailureText(), "424-Object required");
    }
    // an object that has no default member
    class Plain : public Object {};
    EXPECT_EQ(ErrorOf([] { Variant(std::make_shared<Plain>()).Item(1); }), ErrorNumber::ObjectDoesNotSupportMember);
}

struct TextRow {
    Variant value;
    const char* text; // nullptr: raises `error`
    int32_t error;
};

class VariantTextTest : public ::testing::TestWithParam<TextRow> {};

TEST_P(VariantTextTest, ConvertsToText) {
    const auto& row = GetParam();
    if (!row.text) {
        EXPECT_EQ(ErrorOf([&] { row.value.ToText(); }), row.error);
        return;
    }
    EXPECT_EQ(row.value.ToText(), row.text);
}

INSTANTIATE_TEST_SUITE_P(Rows, VariantTextTest,
                         ::testing::Values(TextRow{Variant(), "", 0}, TextRow{Variant(true), "True", 0},
                                           TextRow{Variant(4711.0), "4711", 0}, TextRow{Variant(2.5f), "2.5", 0},
                                           TextRow{Variant(Currency{-12345}), "-1.2345", 0},
                                           TextRow{Variant(Currency{20000}), "2", 0},
                                           TextRow{Variant(*Decimal::FromText(u"0.10")), "0.1", 0},
                                           TextRow{Variant("T-4711"), "T-4711", 0},
                                           TextRow{Variant::Null(), nullptr, ErrorNumber::InvalidUseOfNull},
                                           TextRow{Variant(std::make_shared<EchoObject>()), nullptr,
                                                   ErrorNumber::TypeMismatch}));

TEST(Variant, NumberConversionsFollowTheRuntime) {
    EXPECT_EQ(Variant("2.5").ToInteger(), 2);
    EXPECT_EQ(Variant("3.5").ToLong(), 4);
    EXPECT_EQ(Variant(true).ToInteger(), -1);
    EXPECT_EQ(Variant().ToLong(), 0);
    EXPECT_EQ(ErrorOf([] { Variant("x").ToDouble(); }), ErrorNumber::TypeMismatch);
    EXPECT_EQ(ErrorOf([] { Variant(40000.0).ToInteger(); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { Variant::Null().ToDouble(); }), ErrorNumber::InvalidUseOfNull);
    EXPECT_TRUE(Variant("true").ToBoolean());
    EXPECT_FALSE(Variant("0").ToBoolean());
    EXPECT_EQ(ErrorOf([] { Variant("yes").ToBoolean(); }), ErrorNumber::TypeMismatch);
    EXPECT_EQ(Variant(45322.5).ToDate(), Date(45322.5));
}

TEST(Variant, EqualsNumberJudgesLikeAnIfStatement) {
    EXPECT_TRUE(Variant(0.0).EqualsNumber(0));
    EXPECT_TRUE(Variant(*Decimal::FromText(u"0.0")).EqualsNumber(0));
    EXPECT_TRUE(Variant().EqualsNumber(0));
    EXPECT_TRUE(Variant("0").EqualsNumber(0));
    EXPECT_FALSE(Variant("9999").EqualsNumber(0)); // the failure envelope's status
    EXPECT_FALSE(Variant(1.0).EqualsNumber(0));
    EXPECT_FALSE(Variant::Null().EqualsNumber(0));
    EXPECT_TRUE(Variant(false).EqualsNumber(0));
    EXPECT_EQ(ErrorOf([] { Variant("ok").EqualsNumber(0); }), ErrorNumber::TypeMismatch);
}

} // namespace
} // namespace k7
