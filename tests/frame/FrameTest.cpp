#include "support/Printers.h"
#include "support/RecordingHost.h"
#include "support/TestControl.h"

#include "core/RuntimeError.h"
#include "frame/properties/PropertyBag.h"
#include "frame/requests/Envelope.h"
#include "json/JsonBag.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

using k7::Variant;

namespace {

// --- notifying and plain writes -------------------------------------------------------------

// How far a write reaches the host: not at all, asked whether it may change, or also told it did.
enum Heard { Nothing, Asked, Told };

// That a notifying write asks and tells the host and a plain one does not is every control's
// contract; here what the contract's changed values do not reach.
TEST(PropertyWrite, FollowsTheWriteFormOfTheTable) {
    const Variant host(QString("http://a/")), system(int32_t(0x80000012));
    const struct {
        const char* Name;
        Variant Initial, Written;
        bool Approve;
        Heard ExpectHeard;
        Variant ExpectStored;
    } rows[] = {
        {"APIHost", host, Variant("http://b/"), false, Asked, host},
        // The comparison happens after conversion to the member's type, which rounds half to even.
        {"BarNum", Variant(int16_t(30)), Variant(30.5), true, Nothing, Variant(int16_t(30))},
        {"BarNum", Variant(int16_t(30)), Variant(31.5), true, Told, Variant(int16_t(32))},
        // Colours: the signed form of a system colour and the unsigned number are one value.
        {"Tint", Variant(0), system, true, Told, system},
        {"Tint", system, Variant(2147483666.0), true, Nothing, system},
        // A row's own write step takes the write: the table would store a plain row without a word.
        {"Bold", Variant("False"), Variant("True"), true, Told, Variant("True")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QString("%1 <- %2").arg(row.Name, row.Written.ToText()).toStdString());
        TestControl control;
        control.Assign(row.Name, row.Initial); // default host: approves, records nothing
        RecordingHost recording;
        recording.Approve = row.Approve;
        control.SetHost(&recording);
        control.Assign(row.Name, row.Written);
        EXPECT_EQ(recording.Asked, row.ExpectHeard >= Asked ? QStringList{row.Name} : QStringList());
        EXPECT_EQ(recording.Changed, row.ExpectHeard == Told ? QStringList{row.Name} : QStringList());
        EXPECT_EQ(control.Value(row.Name), row.ExpectStored);
    }
}

TEST(PropertyWrite, AFailureRaisesToTheCallerAndKeepsTheValue) {
    const struct {
        const char* Name;
        Variant Written;
        int32_t ExpectNumber;
    } rows[] = {
        {"BarNum", Variant("many"), k7::ErrorNumber::TypeMismatch},
        {"BarNum", Variant(40000), k7::ErrorNumber::Overflow},
        {"Planned", Variant(256), k7::ErrorNumber::Overflow},
        {"Planned", Variant(-1), k7::ErrorNumber::Overflow},
        {"Tint", Variant(4294967296.0), k7::ErrorNumber::Overflow},
        {"Stamp", Variant("now"), k7::ErrorNumber::PropertyIsReadOnly},
        {"NoSuchProperty", Variant(1), k7::ErrorNumber::ObjectDoesNotSupportMember},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QString("%1 <- %2").arg(row.Name, row.Written.ToText()).toStdString());
        TestControl control;
        control.Assign("BarNum", Variant(int16_t(7)));
        control.Assign("Planned", Variant(uint8_t(3)));
        RecordingHost host;
        control.SetHost(&host);
        const bool exists = control.Properties().Find(row.Name) != nullptr;
        const Variant before = exists ? control.Value(row.Name) : Variant();
        try {
            control.Assign(row.Name, row.Written);
            ADD_FAILURE() << "no error raised";
        } catch (const k7::RuntimeError& error) {
            EXPECT_EQ(error.Number(), row.ExpectNumber);
        }
        if (exists) {
            EXPECT_EQ(control.Value(row.Name), before);
        }
        EXPECT_TRUE(host.Asked.isEmpty());
    }
}

// --- persistence ----------------------------------------------------------------------------

// The round trip of every persisted value, the write order and the host left alone while reading
// are the contract of every control, checked for each in the controls' tests.
TEST(Persistence, AValueThatCannotBeReadIsSkippedAndTheOthersAreRead) {
    TestControl control;
    control.Assign("BarNum", Variant(int16_t(12)));
    k7::PropertyBag bag;
    bag.WriteProperty("APIHost", Variant("http://h/"));
    // One failure stands for all: every property is read under the same trap.
    bag.WriteProperty("BarNum", Variant("lots"));
    bag.WriteProperty("Planned", Variant(int16_t(2)));
    control.ReadProperties(bag);
    EXPECT_EQ(control.Value("APIHost"), Variant("http://h/"));
    EXPECT_EQ(control.Value("BarNum"), Variant(int16_t(12)));
    EXPECT_EQ(control.Value("Planned"), Variant(uint8_t(2)));
    EXPECT_TRUE(control.Error().isEmpty());
}

// --- Refresh and the loader trap -------------------------------------------------------------

TEST(Refresh, ReturnsFalseWhateverTheSequenceDidAndLetsLayoutErrorsThrough) {
    TestControl control;
    std::vector<bool> calls;
    control.Sequence = [&](bool opened) { calls.push_back(opened); };
    EXPECT_FALSE(control.Refresh(false));
    EXPECT_FALSE(control.Refresh(true));
    EXPECT_EQ(calls, std::vector<bool>({false, true}));

    control.Sequence = [](bool) { k7::Raise(k7::ErrorNumber::InvalidPropertyValue); };
    EXPECT_THROW(control.Refresh(false), k7::RuntimeError);
    EXPECT_TRUE(control.Error().isEmpty());
}

// Whatever a loader raises ends as the failure text in Error; the exit step runs on every path.
TEST(LoaderTrap, TurnsErrorsIntoTheFailureTextAndAlwaysRunsTheExitStep) {
    const struct {
        const char* Case;
        std::function<bool()> Body;
        bool ExpectResult;
        QString ExpectError;
    } rows[] = {
        {"success keeps the earlier error", [] { return true; }, true, "1-earlier"},
        {"false result", [] { return false; }, false, "1-earlier"},
        {"runtime error",
         []() -> bool { throw k7::RuntimeError(k7::ErrorNumber::ObjectRequired, "Object required"); }, false,
         "424-Object required"},
        {"memory", []() -> bool { throw std::bad_alloc(); }, false, "7-" + k7::StandardDescription(7)},
        {"index", []() -> bool { throw std::out_of_range("x"); }, false, "9-" + k7::StandardDescription(9)},
        {"anything else", []() -> bool { throw 42; }, false, "51-Internal error"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Case);
        TestControl control;
        control.SetError("1-earlier");
        int exits = 0;
        EXPECT_EQ(control.RunLoader(row.Body, [&] { ++exits; }), row.ExpectResult);
        EXPECT_EQ(control.Error(), row.ExpectError);
        EXPECT_EQ(exits, 1);
    }
}

// --- envelopes and queries -------------------------------------------------------------------

// Plain accepting and refusing replies by either rule are in the request-mode table.
TEST(EnvelopeRules, JudgeStatusNumericallyAndMessageExactly) {
    const struct {
        const char* Json;
        bool StatusIsZero, MessageIsSuccess;
    } rows[] = {
        {R"({"status":"0","message":"success"})", true, false},
        {R"({"status":0.0,"message":"Success "})", true, false},
        {R"({"status":"9999","data":"","message":"Connection timed out"})", false, false},
        {R"({"status":0,"message":null})", true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Json);
        auto document = k7::JsonBag::Create();
        document->SetJSON(QString::fromUtf8(row.Json));
        EXPECT_EQ(k7::Envelope::StatusIsZero(*document), row.StatusIsZero);
        EXPECT_EQ(k7::Envelope::MessageIsSuccess(*document), row.MessageIsSuccess);
    }
}

// The order of the pairs shows in every control's request URLs; here: nothing is escaped.
TEST(Frame, QueryStringsJoinPairsWithoutEscaping) {
    TestControl control;
    control.setProcess("P 1&2");
    control.setCompany("Ä=1");
    EXPECT_EQ(control.ConnectionQuery({{"datefrom", "1"}}, {{"planned", "0"}}),
              "process=P 1&2&datefrom=1&session=&company=Ä=1&planned=0");
}

} // namespace
