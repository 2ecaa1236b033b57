#include "support/Printers.h"
#include "support/RecordingHost.h"
#include "support/ScriptedRequest.h"
#include "support/TestControl.h"

#include "core/RuntimeError.h"
#include "frame/Envelope.h"
#include "frame/PropertyBag.h"
#include "frame/Timer.h"
#include "json/JsonBag.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

using k7::Variant;

namespace {

// --- notifying and plain writes -------------------------------------------------------------

struct WriteRow {
    const char* Name;
    Variant Initial;
    Variant Written;
    bool Approve;
    QStringList ExpectAsked;
    QStringList ExpectChanged;
    Variant ExpectStored;
};

void PrintTo(const WriteRow& row, std::ostream* out) {
    *out << row.Name << " <- " << row.Written.ToText().toStdString()
         << (row.Approve ? " (approved)" : " (refused)");
}

class PropertyWrite : public ::testing::TestWithParam<WriteRow> {};

TEST_P(PropertyWrite, FollowsTheWriteFormOfTheTable) {
    const WriteRow& row = GetParam();
    TestControl control;
    control.Assign(row.Name, row.Initial); // default host: approves, records nothing
    RecordingHost host;
    host.Approve = row.Approve;
    control.SetHost(&host);

    control.Assign(row.Name, row.Written);

    EXPECT_EQ(host.Asked, row.ExpectAsked);
    EXPECT_EQ(host.Changed, row.ExpectChanged);
    EXPECT_EQ(control.Value(row.Name), row.ExpectStored);
}

const QString kHost = "http://a/";

INSTANTIATE_TEST_SUITE_P(
    Frame, PropertyWrite,
    ::testing::Values(
        WriteRow{"APIHost", Variant(kHost), Variant(kHost), true, {}, {}, Variant(kHost)},
        WriteRow{"APIHost", Variant(kHost), Variant("http://b/"), false, {"APIHost"}, {}, Variant(kHost)},
        WriteRow{"Company", Variant("C1"), Variant("C2"), false, {}, {}, Variant("C2")},
        // The comparison happens after conversion to the member's type: "30" and 30.5 are 30.
        WriteRow{"BarNum", Variant(int16_t(30)), Variant("30"), true, {}, {}, Variant(int16_t(30))},
        WriteRow{"BarNum", Variant(int16_t(30)), Variant(30.5), true, {}, {}, Variant(int16_t(30))},
        WriteRow{"BarNum",
                 Variant(int16_t(30)),
                 Variant(31.5),
                 true,
                 {"BarNum"},
                 {"BarNum"},
                 Variant(int16_t(32))},
        WriteRow{"Accumulated",
                 Variant(false),
                 Variant("True"),
                 true,
                 {"Accumulated"},
                 {"Accumulated"},
                 Variant(true)},
        WriteRow{"Ratio", Variant(1.0), Variant("2.5"), true, {}, {}, Variant(2.5f)},
        // Colours: the signed form of a system colour and the unsigned number are one value.
        WriteRow{"Tint",
                 Variant(0),
                 Variant(int32_t(0x80000012)),
                 true,
                 {"Tint"},
                 {"Tint"},
                 Variant(int32_t(0x80000012))},
        WriteRow{"Tint",
                 Variant(int32_t(0x80000012)),
                 Variant(2147483666.0),
                 true,
                 {},
                 {},
                 Variant(int32_t(0x80000012))},
        // A write-only caption list is written like any notifying property.
        WriteRow{"Captions", Variant("A"), Variant("X|Y"), true, {"Captions"}, {"Captions"}, Variant("X|Y")},
        // A row's own write step converts inside its comparison and resets silently on failure.
        WriteRow{"Bold", Variant("False"), Variant("True"), true, {"Bold"}, {"Bold"}, Variant("True")},
        WriteRow{"Bold", Variant("True"), Variant(-1), true, {}, {}, Variant("True")},
        WriteRow{"Bold", Variant("True"), Variant("maybe"), true, {}, {}, Variant("False")}));

struct BadWriteRow {
    const char* Name;
    Variant Written;
    int32_t ExpectNumber;
};

void PrintTo(const BadWriteRow& row, std::ostream* out) {
    *out << row.Name << " <- " << row.Written.ToText().toStdString();
}

class PropertyWriteFailure : public ::testing::TestWithParam<BadWriteRow> {};

TEST_P(PropertyWriteFailure, RaisesToTheCallerAndKeepsTheValue) {
    TestControl control;
    control.Assign("BarNum", Variant(int16_t(7)));
    control.Assign("Planned", Variant(uint8_t(3)));
    RecordingHost host;
    control.SetHost(&host);
    const bool exists = control.Properties().Find(GetParam().Name) != nullptr;
    const Variant before = exists ? control.Value(GetParam().Name) : Variant();
    try {
        control.Assign(GetParam().Name, GetParam().Written);
        FAIL() << "no error raised";
    } catch (const k7::RuntimeError& error) {
        EXPECT_EQ(error.Number(), GetParam().ExpectNumber);
    }
    if (exists) {
        EXPECT_EQ(control.Value(GetParam().Name), before);
    }
    EXPECT_TRUE(host.Asked.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Frame, PropertyWriteFailure,
    ::testing::Values(BadWriteRow{"BarNum", Variant("many"), k7::ErrorNumber::TypeMismatch},
                      BadWriteRow{"BarNum", Variant(40000), k7::ErrorNumber::Overflow},
                      BadWriteRow{"Planned", Variant(256), k7::ErrorNumber::Overflow},
                      BadWriteRow{"Planned", Variant(-1), k7::ErrorNumber::Overflow},
                      BadWriteRow{"Tint", Variant(4294967296.0), k7::ErrorNumber::Overflow},
                      BadWriteRow{"Stamp", Variant("now"), k7::ErrorNumber::PropertyIsReadOnly},
                      BadWriteRow{"NoSuchProperty", Variant(1),
                                  k7::ErrorNumber::ObjectDoesNotSupportMember}));

// --- persistence ----------------------------------------------------------------------------

void Configure(TestControl& control) {
    control.Assign("APIHost", Variant("http://plant/"));
    control.Assign("Company", Variant("ACME"));
    control.Assign("Session", Variant(""));
    control.Assign("Process", Variant("P100"));
    control.Assign("BarNum", Variant(int16_t(30))); // equal to its default: still written
    control.Assign("Ratio", Variant(12.75f));
    control.Assign("Planned", Variant(uint8_t(1)));
    control.Assign("Accumulated", Variant(true));
    control.Assign("Bars", Variant(int32_t(5)));
    control.Assign("Tint", Variant(int32_t(0x80000005)));
    control.Assign("Captions", Variant("Real|Planned"));
    control.Assign("Bold", Variant(true));
}

TEST(Persistence, RoundTripRestoresEveryPersistedValueWithoutAskingTheHost) {
    TestControl original;
    Configure(original);
    k7::PropertyBag bag;
    original.WriteProperties(bag);

    const QStringList persisted = {"APIHost", "Company",     "Session", "Process",  "BarNum", "Ratio",
                                   "Planned", "Accumulated", "Tint",    "Captions", "Bold"};
    EXPECT_EQ(bag.Names(), persisted);
    EXPECT_EQ(bag.ReadProperty("Ratio"), Variant(12.75f));
    EXPECT_EQ(bag.ReadProperty("Planned"), Variant(uint8_t(1)));

    TestControl restored;
    RecordingHost host;
    restored.SetHost(&host);
    restored.ReadProperties(bag);
    for (const QString& name : persisted)
        EXPECT_EQ(restored.Value(name), original.Value(name)) << name.toStdString();
    EXPECT_EQ(restored.Value("Bars"), Variant(int32_t(0))) << "not persisted";
    EXPECT_TRUE(host.Asked.isEmpty());
    EXPECT_TRUE(host.Changed.isEmpty());
}

TEST(Persistence, AValueThatCannotBeReadIsSkippedAndTheOthersAreRead) {
    TestControl control;
    control.Assign("BarNum", Variant(int16_t(12)));
    control.Assign("Ratio", Variant(1.5f));
    k7::PropertyBag bag;
    bag.WriteProperty("APIHost", Variant("http://h/"));
    bag.WriteProperty("BarNum", Variant("lots")); // 13
    bag.WriteProperty("Ratio", Variant(1e300));   // 6
    bag.WriteProperty("Planned", Variant(int16_t(2)));
    bag.WriteProperty("Accumulated", Variant::Null()); // 94
    control.ReadProperties(bag);
    EXPECT_EQ(control.Value("APIHost"), Variant("http://h/"));
    EXPECT_EQ(control.Value("BarNum"), Variant(int16_t(12)));
    EXPECT_EQ(control.Value("Ratio"), Variant(1.5f));
    EXPECT_EQ(control.Value("Planned"), Variant(uint8_t(2)));
    EXPECT_EQ(control.Value("Accumulated"), Variant(false));
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

struct TrapRow {
    const char* Case;
    std::function<bool()> Body;
    bool ExpectResult;
    QString ExpectError;
};

void PrintTo(const TrapRow& row, std::ostream* out) {
    *out << row.Case;
}

class LoaderTrap : public ::testing::TestWithParam<TrapRow> {};

TEST_P(LoaderTrap, TurnsErrorsIntoTheFailureTextAndAlwaysRunsTheExitStep) {
    TestControl control;
    control.SetError("1-earlier");
    int exits = 0;
    const bool result = control.RunLoader(GetParam().Body, [&] { ++exits; });
    EXPECT_EQ(result, GetParam().ExpectResult);
    EXPECT_EQ(control.Error(), GetParam().ExpectError);
    EXPECT_EQ(exits, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Frame, LoaderTrap,
    ::testing::Values(
        TrapRow{"success keeps the earlier error", [] { return true; }, true, "1-earlier"},
        TrapRow{"false result", [] { return false; }, false, "1-earlier"},
        TrapRow{"runtime error",
                []() -> bool { throw k7::RuntimeError(k7::ErrorNumber::ObjectRequired, "Object required"); },
                false, "424-Object required"},
        TrapRow{"negative number",
                []() -> bool {
                    throw k7::RuntimeError(int32_t(0x800499A0), "Expected either { or [", "JsonBag");
                },
                false, "-2147182176-Expected either { or ["},
        TrapRow{"standard error", []() -> bool { k7::Raise(k7::ErrorNumber::TypeMismatch); }, false,
                "13-" + k7::StandardDescription(13)},
        TrapRow{"memory", []() -> bool { throw std::bad_alloc(); }, false, "7-" + k7::StandardDescription(7)},
        TrapRow{"index", []() -> bool { throw std::out_of_range("x"); }, false,
                "9-" + k7::StandardDescription(9)},
        TrapRow{"anything else", []() -> bool { throw 42; }, false, "51-Internal error"}));

TEST(Frame, HandlersNeverThrowAndRecordOrSwallowAsTheControlOrConnectionChooses) {
    TestControl control;
    const auto fail = [] { k7::Raise(k7::ErrorNumber::DivisionByZero); };
    EXPECT_NO_THROW(control.RunHandler(fail));
    EXPECT_EQ(control.Error(), "11-" + k7::StandardDescription(11));
    control.SetError("");
    control.RunHandler(fail, k7::FailurePolicy::Swallow);
    control.SetHandlerFailures(k7::FailurePolicy::Swallow);
    control.RunHandler(fail);
    EXPECT_EQ(control.Error(), "");
    // A connection may record although the control swallows.
    k7::Timer& timer = control.Create<k7::Timer>("Timer");
    control.ConnectHandler(&timer, &k7::Timer::Tick, fail, k7::FailurePolicy::Record);
    timer.Fire();
    EXPECT_EQ(control.Error(), "11-" + k7::StandardDescription(11));
}

TEST(Frame, TheResizeHookRunsWhenTheControlIsFirstPlacedAndOnEveryNewExtent) {
    TestControl control;
    EXPECT_EQ(control.Resizes, 0) << "not before it is placed";
    control.show();
    EXPECT_EQ(control.Resizes, 1) << "placed at its design size";
    control.SetExtent(3000, 1500);
    EXPECT_EQ(control.Resizes, 1) << "same extent";
    control.SetExtent(4500, 1500);
    EXPECT_EQ(control.Resizes, 2);
}

// --- envelopes and queries -------------------------------------------------------------------

struct EnvelopeRow {
    const char* Json;
    bool StatusIsZero;
    bool MessageIsSuccess;
};

void PrintTo(const EnvelopeRow& row, std::ostream* out) {
    *out << row.Json;
}

class EnvelopeRules : public ::testing::TestWithParam<EnvelopeRow> {};

TEST_P(EnvelopeRules, JudgeStatusNumericallyAndMessageExactly) {
    auto document = k7::JsonBag::Create();
    document->SetJSON(QString::fromUtf8(GetParam().Json));
    EXPECT_EQ(k7::Envelope::StatusIsZero(*document), GetParam().StatusIsZero);
    EXPECT_EQ(k7::Envelope::MessageIsSuccess(*document), GetParam().MessageIsSuccess);
}

INSTANTIATE_TEST_SUITE_P(
    Frame, EnvelopeRules,
    ::testing::Values(EnvelopeRow{R"({"status":0,"message":"Success","data":[]})", true, true},
                      EnvelopeRow{R"({"status":0,"message":"Anything","data":[]})", true, false},
                      EnvelopeRow{R"({"status":"0","message":"success"})", true, false},
                      EnvelopeRow{R"({"status":0.0,"message":"Success "})", true, false},
                      EnvelopeRow{R"({"status":1,"message":"Success"})", false, true},
                      EnvelopeRow{R"({"status":"9999","data":"","message":"Connection timed out"})", false,
                                  false},
                      EnvelopeRow{R"({"status":0,"message":null})", true, false}));

// The order of the pairs shows in every control's request URLs; here: nothing is escaped.
TEST(Frame, QueryStringsJoinPairsWithoutEscaping) {
    TestControl control;
    control.setProcess("P 1&2");
    control.setCompany("Ä=1");
    EXPECT_EQ(control.ConnectionQuery({{"datefrom", "1"}}, {{"planned", "0"}}),
              "process=P 1&2&datefrom=1&session=&company=Ä=1&planned=0");
}

// --- the service call --------------------------------------------------------------------------

struct ServiceRow {
    const char* Case;
    int Status;
    QString Body;
    k7::Judgement Rule;
    QString ExpectOutcome; // "accepted", "rejected" or the failure text in Error
    QString APIHost = "http://plant/";
};

void PrintTo(const ServiceRow& row, std::ostream* out) {
    *out << row.Case;
}

class ServiceLoader : public ::testing::TestWithParam<ServiceRow> {};

TEST_P(ServiceLoader, SendsOneRequestParsesAndJudges) {
    const ServiceRow& row = GetParam();
    auto replies = std::make_shared<ScriptedReplies>();
    replies->Status = row.Status;
    replies->Reason = "Plant Offline";
    replies->Body = row.Body;
    TestControl control;
    control.SetRequestFactory(ScriptedRequest::Factory(replies));
    control.setAPIHost(row.APIHost);
    control.setProcess("P1");
    QString outcome;
    int exits = 0;
    const bool judged = control.RunServiceLoader(
        {k7::HttpVerb::Patch, "statuses/7", control.SessionQuery({{"id_tu", "FAI"}})}, row.Rule,
        [&](k7::JsonBag&) { outcome = "accepted"; }, [&](k7::JsonBag&) { outcome = "rejected"; },
        [&] { ++exits; });
    EXPECT_EQ(replies->Sent, QStringList({"PATCH http://plant/statuses/7?id_tu=FAI&session=&company="})
                                 .mid(0, row.APIHost.isEmpty() ? 0 : 1));
    EXPECT_EQ(judged, !outcome.isEmpty());
    EXPECT_EQ(outcome.isEmpty() ? control.Error() : outcome, row.ExpectOutcome);
    EXPECT_EQ(exits, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Frame, ServiceLoader,
    ::testing::Values(ServiceRow{"status 0", 200, R"({"status":0,"message":"x"})",
                                 k7::Judgement::StatusIsZero, "accepted"},
                      ServiceRow{"status 1", 200, R"({"status":1,"message":"Success"})",
                                 k7::Judgement::StatusIsZero, "rejected"},
                      ServiceRow{"message rule", 200, R"({"status":1,"message":"Success"})",
                                 k7::Judgement::MessageIsSuccess, "accepted"},
                      ServiceRow{"HTTP failure", 503, "", k7::Judgement::StatusIsZero, "rejected"},
                      ServiceRow{"no status", 200, "{}", k7::Judgement::StatusIsZero,
                                 "-2147182324-Requested Item by key doesn't exist (case mismatch?)"},
                      // No APIHost: nothing sent, nothing judged, Error left alone, the exit step still run.
                      ServiceRow{"no APIHost", 200, R"({"status":0})", k7::Judgement::StatusIsZero, "", ""}));

// A control's own rule judges reads only (a write is journalled by its rule's name), and a failure
// handed to the caller's handler leaves Error alone.
TEST(ServiceLoaderForms, OwnRuleRefusesAWriteAndAHandedBackFailureSkipsError) {
    auto replies = std::make_shared<ScriptedReplies>();
    TestControl control;
    control.SetRequestFactory(ScriptedRequest::Factory(replies));
    control.setAPIHost("http://plant/");
    QString handedBack;
    const auto own = [](const k7::JsonBag&) { return true; };
    const auto none = [](k7::JsonBag&) {};
    EXPECT_FALSE(control.RunServiceLoader({k7::HttpVerb::Post, "results", ""}, own, none, none, {},
                                          [&](const QString& failure) { handedBack = failure; }));
    EXPECT_EQ(std::pair(handedBack, control.Error()),
              std::pair(QString("5-Invalid procedure call or argument"), QString()));
    EXPECT_TRUE(replies->Sent.isEmpty());
}

} // namespace
