#include "support/Checks.h"
#include "support/TestControl.h"
#include "support/TestHttpServer.h"

#include "frame/children/Label.h"
#include "frame/control/ShownState.h"
#include "frame/requests/BackgroundRequest_p.h"
#include "frame/requests/ConnectionGroupBinding_p.h"
#include "service/ConnectionGroup_p.h"
#include "json/JsonBag.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <set>

#include <gtest/gtest.h>

using k7::HttpVerb;
using k7::JsonBag;
using k7::RequestMode;
using k7::Variant;
using k7::test::ScriptedReply;
using k7::test::WaitUntil;

namespace {

// Every loader form, public for the test.
class ModeControl : public TestControl {
public:
    using ControlBase::RunEntry;
    using ServiceControl::RunFollowedLoader;
    using ServiceControl::ServiceCall;
};

// A control in `mode` whose requests go to a server of the test's own; declared after the server,
// it is destroyed first, as a control goes before the service it talks to.
struct Served {
    explicit Served(RequestMode mode) {
        control.SetRequestMode(mode);
        control.setAPIHost(server.BaseUrl());
    }
    // "GET processes/prod?process=P1", the requests as the server received them, a write's with
    // its idempotency key.
    QStringList Received() const {
        QStringList lines;
        for (const k7::test::RecordedRequest& request : server.Requests())
            lines << QString::fromStdString(request.method + " " + request.target.substr(1) +
                                            (request.headers.count("Idempotency-Key") ? " keyed" : ""));
        return lines;
    }
    k7::test::TestHttpServer server;
    ModeControl control;
};

// What a loader did, as far as the control and the service can see it.
struct Trace {
    bool Result = false;
    QStringList Events; // handlers and exit steps, in order
    QString Error;
    // RequestFinished (verb, url, status, message, good) and WriteFinished (the same, then the verdict)
    QStringList Reports;
    QStringList Received;
};

// The loader a row runs: a read whose failure is recorded, swallowed or judged by the control's
// own rule; a followed read; a write judged by its message, its status or the control's own rule; a
// request that cannot be built; a read with no APIHost.
// clang-format off
enum class Form { Read, ReadSwallowed, ReadOwnRule, Followed, Write, WriteByStatus, WriteOwnRule, Unbuildable,
                  NoHost };
// clang-format on

struct Row {
    const char* Name;
    Form Loader;
    std::vector<ScriptedReply> Replies; // the first for every path, the second for a followed read
    bool ExpectResult;
    QStringList ExpectEvents;
    QString ExpectError;
    QStringList ExpectReports;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.Name;
}

QString Text(JsonBag& reply, const char* name) {
    const Variant key(QString::fromLatin1(name));
    return reply.Exists(key) ? reply.Item(key).ToText().trimmed() : QStringLiteral("<none>");
}

// Runs the row's loader once in `mode` and waits until its exit step has run.
Trace RunLoader(const Row& row, RequestMode mode) {
    Served served(mode);
    ModeControl& control = served.control;
    if (!row.Replies.empty())
        served.server.Script("*", row.Replies.front());
    if (row.Replies.size() > 1)
        served.server.Script("statuses/top", row.Replies.back());
    if (row.Loader == Form::NoHost)
        control.setAPIHost("");
    control.setProcess("P1");
    const QString base = served.server.BaseUrl();

    Trace trace;
    QObject::connect(&control, &k7::ControlBase::RequestFinished, [&](const k7::RequestOutcome& read) {
        EXPECT_TRUE(read.Time.isValid());
        trace.Reports << QStringList{read.Verb, read.Url.mid(base.size()), QString::number(read.Status),
                                     read.Message, read.Good ? "good" : "not good"}
                             .join(' ');
    });
    QObject::connect(&control, &k7::ServiceControl::WriteFinished, [&](const k7::WriteOutcome& write) {
        trace.Reports << QStringList{write.Verb, write.Url.mid(base.size()), QString::number(write.Status),
                                     write.Message, k7::WriteOutcome::VerdictName(write.Verdict)}
                             .join(' ');
    });
    bool exited = false;
    const auto exitStep = [&] {
        trace.Events << "exit";
        exited = true;
    };
    const auto accepted = [&trace](JsonBag& reply) { trace.Events << "accepted " + Text(reply, "data"); };
    const auto rejected = [&trace](JsonBag& reply) { trace.Events << "rejected " + Text(reply, "message"); };
    const auto booked = [&trace](JsonBag&) { trace.Events << "booked"; };
    const auto refused = [&trace](JsonBag&) { trace.Events << "refused"; };
    const ModeControl::ServiceCall read{HttpVerb::Get, "processes/prod", "process=P1"};
    const auto isZero = k7::Judgement::StatusIsZero;

    switch (row.Loader) {
    case Form::Read:
    case Form::NoHost:
        trace.Result = control.RunServiceLoader(read, isZero, accepted, rejected, exitStep);
        break;
    case Form::ReadSwallowed:
        trace.Result =
            control.RunServiceLoader(read, isZero, accepted, rejected, exitStep, k7::FailurePolicy::Swallow);
        break;
    case Form::ReadOwnRule:
        trace.Result = control.RunServiceLoader(
            read, [](const JsonBag& reply) { return reply.Item(Variant("data")).ToText() != "no"; }, accepted,
            rejected, exitStep);
        break;
    case Form::Followed:
        trace.Result = control.RunFollowedLoader(
            {HttpVerb::Get, "statuses/fai", "process=P1"}, isZero,
            [&trace](JsonBag& reply) -> std::optional<ModeControl::ServiceCall> {
                trace.Events << "first " + Text(reply, "data");
                return ModeControl::ServiceCall{HttpVerb::Get, "statuses/top", "process=P1"};
            },
            [&trace](JsonBag& reply) { trace.Events << "followed " + Text(reply, "data"); }, exitStep);
        break;
    case Form::Write:
        trace.Result = control.RunServiceLoader({HttpVerb::Post, "results", "result=4"},
                                                k7::Judgement::MessageIsSuccess, booked, refused, exitStep);
        break;
    case Form::WriteByStatus:
        trace.Result =
            control.RunServiceLoader({HttpVerb::Patch, "statuses/7", ""}, isZero, booked, refused, exitStep);
        break;
    case Form::WriteOwnRule: // a failure handed back to the caller leaves Error alone
        trace.Result = control.RunServiceLoader(
            {HttpVerb::Post, "results", ""}, [](const JsonBag&) { return true; }, booked, refused, exitStep,
            [&trace](const QString& failure) { trace.Events << "handed back " + failure; });
        break;
    case Form::Unbuildable:
        trace.Result = control.RunServiceLoader(
            []() -> ModeControl::ServiceCall {
                k7::Raise(k7::ErrorNumber::Overflow);
                return {};
            },
            isZero, accepted, rejected, exitStep);
        break;
    }
    if (mode == RequestMode::NonBlocking) {
        EXPECT_FALSE(trace.Result) << "a NonBlocking loader returns at once";
        if (!row.Replies.empty()) {
            EXPECT_FALSE(exited) << "nothing is handled before the event loop runs";
        }
        EXPECT_TRUE(WaitUntil([&] { return exited; }));
        EXPECT_FALSE(control.RequestInFlight());
    }
    trace.Error = control.Error();
    trace.Received = served.Received();
    return trace;
}

class RequestModes : public ::testing::TestWithParam<Row> {};

// The same replies give the same handlers, Error, reads and writes in both modes, and the Blocking
// mode gives what the row expects (so the two cannot agree on a wrong answer).
TEST_P(RequestModes, NonBlockingEndsAsBlockingDoes) {
    const Row& row = GetParam();
    const Trace blocking = RunLoader(row, RequestMode::Blocking);
    EXPECT_EQ(blocking.Result, row.ExpectResult);
    EXPECT_EQ(blocking.Events, row.ExpectEvents);
    EXPECT_EQ(blocking.Error, row.ExpectError);
    EXPECT_EQ(blocking.Reports, row.ExpectReports);

    const Trace nonBlocking = RunLoader(row, RequestMode::NonBlocking);
    EXPECT_EQ(nonBlocking.Events, blocking.Events);
    EXPECT_EQ(nonBlocking.Error, blocking.Error);
    EXPECT_EQ(nonBlocking.Reports, blocking.Reports);
    EXPECT_EQ(nonBlocking.Received, blocking.Received);
}

const QString kRead = "GET processes/prod?process=P1 ";
const QString kWrite = "POST results?result=4 ";
const QString kFirst = "GET statuses/fai?process=P1 ";
const QString kSecond = "GET statuses/top?process=P1 ";
const QString kNotJson = "-2147182176-Expected either { or [ at character 1";
const QString kDropped = "-2147012866-The connection with the server was terminated abnormally";

// One row a reply kind: laid out by hand, the formatter would give each field a line of its own.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Frame, RequestModes,
    ::testing::Values(
        Row{"Accepted", Form::Read, {{.body = R"({"status":0,"data":"T-1","message":" Fine "})"}}, true,
            {"accepted T-1", "exit"}, "", {kRead + "200 Fine good"}},
        Row{"Rejected", Form::Read, {{.body = R"({"status":1,"data":"","message":"No rows"})"}}, true,
            {"rejected No rows", "exit"}, "", {kRead + "200 No rows not good"}},
        Row{"NotJson", Form::Read, {{.body = "<html>"}}, false, {"exit"}, kNotJson,
            {kRead + "200  not good"}},
        Row{"NotJsonSwallowed", Form::ReadSwallowed, {{.body = "<html>"}}, false, {"exit"}, "",
            {kRead + "200  not good"}},
        Row{"NoStatus", Form::Read, {{.body = R"({"data":"T-1"})"}}, false, {"exit"},
            "-2147182324-Requested Item by key doesn't exist (case mismatch?)", {kRead + "200  not good"}},
        // The reason goes into the failure envelope unescaped, which is then no JSON; the report
        // still carries the text as the client had it.
        Row{"QuotedReason", Form::Read, {{.status = 500, .reason = R"(Say "no")", .body = "{}"}}, false,
            {"exit"}, "-2147182176-Expected , or } at character 43", {kRead + R"(500 Say "no" not good)"}},
        Row{"Dropped", Form::Read, {{.raw = ""}}, true, {"rejected " + kDropped, "exit"}, "",
            {kRead + "0 " + kDropped + " not good"}},
        // A rule of the control's own may take a failure envelope; the read is still no good one.
        Row{"OwnRuleTakesDropped", Form::ReadOwnRule, {{.raw = ""}}, true, {"accepted ", "exit"}, "",
            {kRead + "0 " + kDropped + " not good"}},
        Row{"Followed", Form::Followed,
            {{.body = R"({"status":0,"data":"F1"})"}, {.body = R"({"status":0,"data":"D2","message":"ok"})"}},
            true, {"first F1", "followed D2", "exit"}, "", {kFirst + "200  good", kSecond + "200 ok good"}},
        // The second reply goes to its handler unjudged, whatever it is.
        Row{"FollowedByDropped", Form::Followed, {{.body = R"({"status":0,"data":"F1"})"}, {.raw = ""}},
            true, {"first F1", "followed ", "exit"}, "",
            {kFirst + "200  good", kSecond + "0 " + kDropped + " not good"}},
        // A write is judged by its own rule alone: the message books this one whatever the status.
        Row{"WriteBooked", Form::Write, {{.body = R"({"status":1,"message":"Success"})"}}, true,
            {"booked", "exit"}, "", {kWrite + "200 Success booked"}},
        Row{"WriteByStatusBooked", Form::WriteByStatus, {{.body = R"({"status":0,"message":"Anything"})"}},
            true, {"booked", "exit"}, "", {"PATCH statuses/7? 200 Anything booked"}},
        // No reply: the write may or may not have been booked.
        Row{"WriteDropped", Form::Write, {{.raw = ""}}, true, {"refused", "exit"}, "",
            {kWrite + "0 " + kDropped + " unknown"}},
        Row{"WriteNotJson", Form::Write, {{.body = "<html>"}}, false, {"exit"}, kNotJson,
            {kWrite + "200  refused"}},
        // A control's own rule judges reads only: a write is journalled by its rule's name.
        Row{"OwnRuleRefusesAWrite", Form::WriteOwnRule, {}, false,
            {"handed back 5-Invalid procedure call or argument", "exit"}, "", {}},
        Row{"RequestNotBuilt", Form::Unbuildable, {}, false, {"exit"}, "6-Overflow", {}},
        Row{"NoAPIHost", Form::NoHost, {}, false, {"exit"}, "", {}}),
    [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.Name); });
// clang-format on

// While a read is out: a further read loader sends nothing and runs nothing of its own; a press
// is never held up (each booking goes out at once, on a transfer of its own, with its own key);
// and a booking's reload supersedes the read out, so the control ends on the figures read after the
// booking. Two bookings are made while the first read and every booking reply are held.
TEST(RequestModes, PressesGoOutWhateverReadIsOut) {
    const int presses = 2;
    Served served(RequestMode::NonBlocking);
    served.server.Script("results", {.body = R"({"message":"Success"})", .gated = true});
    served.server.Script("scrapcauses", {.body = R"({"status":0,"data":"T-1"})", .gated = true});
    ModeControl& control = served.control;
    QStringList events;
    const auto load = [&](const QString& name) {
        return control.RunServiceLoader(
            {HttpVerb::Get, "scrapcauses", name}, k7::Judgement::StatusIsZero,
            [&events, name](JsonBag& reply) { events << name + " " + Text(reply, "data"); },
            [&events](JsonBag&) { events << "rejected"; }, [&events, name] { events << name + " exit"; });
    };
    const auto book = [&](int cause) {
        return control.RunServiceLoader(
            {HttpVerb::Post, "results", QString("result=%1").arg(cause)}, k7::Judgement::MessageIsSuccess,
            [&](JsonBag&) {
                events << "booked";
                load("reload");
            },
            [](JsonBag&) {});
    };
    load("first");
    ASSERT_TRUE(WaitUntil([&] { return served.server.GatedReplies().Arrived() == 1; }));
    EXPECT_TRUE(control.RequestInFlight());
    EXPECT_FALSE(load("skipped"));
    book(4);
    book(8);
    // Every booking reaches the service while the read is still held there.
    ASSERT_TRUE(WaitUntil([&] { return served.server.GatedReplies().Arrived() == 1 + presses; }));
    EXPECT_TRUE(events.isEmpty());

    served.server.GatedReplies().Open();
    ASSERT_TRUE(
        WaitUntil([&] { return events.count("booked") == presses && events.endsWith("reload exit"); }));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(control.RequestInFlight());
    EXPECT_EQ(events.last(), "reload exit");
    EXPECT_EQ(events.filter("skipped").size(), 0);
    QStringList received = served.Received();
    EXPECT_EQ(received.filter("POST").size(), presses);
    EXPECT_EQ(received.filter("keyed").size(), presses);
    EXPECT_EQ(received.filter("skipped").size(), 0);
    std::set<std::string> keys;
    for (const k7::test::RecordedRequest& request : served.server.Requests())
        if (request.method == "POST")
            keys.insert(request.headers.find("Idempotency-Key")->second);
    EXPECT_EQ(keys.size(), size_t(presses));
}

// A control whose Refresh changes its children before the read it sends (a chart rebuilt, cells
// cleared): in the NonBlocking mode the screen keeps what it showed until the reply, and then shows
// the rebuilt state and the reply's figures together; a tick that changes a child meanwhile wins
// over the held change. In the Blocking mode there is nothing to hold.
TEST(RequestModes, FiguresChangeOnlyWhenTheReplyArrives) {
    Served served(RequestMode::NonBlocking);
    served.server.Script("processes/prod", {.body = R"({"status":0,"data":"NEW"})", .gated = true});
    ModeControl& control = served.control;
    k7::Label& figure = control.Create<k7::Label>("lblFigure");
    k7::Label& clock = control.Create<k7::Label>("lblClock");
    figure.SetCaption("OLD");
    clock.SetCaption("10:00");
    int settled = 0;
    QObject::connect(&control, &k7::ControlBase::ReadSettled, [&](const k7::RequestOutcome& outcome) {
        ++settled;
        EXPECT_TRUE(outcome.Good);
    });
    control.Sequence = [&](bool) {
        figure.SetCaption("");
        clock.SetCaption("cleared");
        control.Create<k7::Label>("lblMade").SetCaption("made");
        control.RunServiceLoader(
            {HttpVerb::Get, "processes/prod", ""}, k7::Judgement::StatusIsZero,
            [&](JsonBag& reply) { figure.SetCaption(Text(reply, "data")); }, [](JsonBag&) {});
    };
    const std::shared_ptr<const k7::ShownState> before = control.SaveShown();
    control.Refresh(false);
    EXPECT_TRUE(control.ReadInFlight());
    EXPECT_TRUE(control.ReadSentAt().isValid());
    EXPECT_EQ(figure.Caption(), "OLD");
    EXPECT_EQ(clock.Caption(), "10:00");
    auto* made = static_cast<k7::Label*>(control.FindChild("lblMade"));
    ASSERT_NE(made, nullptr);
    EXPECT_FALSE(made->Visible());
    // A later change of the same child is what the operator sees, held change or not.
    QMetaObject::invokeMethod(
        &control, [&] { control.RunEntry([&] { clock.SetCaption("10:01"); }, k7::FailurePolicy::Record); });
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(settled, 0);

    served.server.GatedReplies().Open();
    ASSERT_TRUE(WaitUntil([&] { return settled == 1; }));
    EXPECT_FALSE(control.ReadInFlight());
    EXPECT_EQ(figure.Caption(), "NEW");
    EXPECT_EQ(clock.Caption(), "10:01");
    EXPECT_TRUE(made->Visible());
    EXPECT_EQ(made->Caption(), "made");

    // What a host took before puts the figures back as they were shown; the child made since hides.
    control.RestoreShown(*before);
    EXPECT_EQ(figure.Caption(), "OLD");
    EXPECT_EQ(clock.Caption(), "10:00");
    EXPECT_FALSE(made->Visible());
}

// A control destroyed while its request waits on a service that does not answer: the transfer is
// cancelled, the worker ends at once, and nothing of the request is handled.
TEST(RequestModes, DestroyedControlAbandonsItsRequest) {
    k7::test::TestHttpServer stalled;
    stalled.Script("*", {.body = "{}", .gated = true});
    for (const bool byApplicationEnd : {false, true}) {
        SCOPED_TRACE(byApplicationEnd ? "application end" : "control destroyed");
        QStringList events;
        auto control = std::make_unique<ModeControl>();
        control->SetRequestMode(RequestMode::NonBlocking);
        control->setAPIHost(stalled.BaseUrl());
        QObject::connect(control.get(), &k7::ControlBase::RequestFinished,
                         [&events](const k7::RequestOutcome&) { events << "finished"; });
        const auto heard = [&events](JsonBag&) { events << "handled"; };
        control->RunServiceLoader({HttpVerb::Get, "processes/prod", ""}, k7::Judgement::StatusIsZero, heard,
                                  heard, [&events] { events << "exit"; });
        ASSERT_TRUE(control->RequestInFlight());
        // The worker is well inside the exchange once the service has the request.
        ASSERT_TRUE(WaitUntil([&] { return stalled.GatedReplies().Arrived() == 1 + byApplicationEnd; }));
        EXPECT_EQ(k7::BackgroundRequest::Running(), 1);

        QElapsedTimer clock;
        clock.start();
        if (byApplicationEnd)
            k7::BackgroundRequest::AbandonAll();
        else
            control.reset();
        EXPECT_TRUE(k7::BackgroundRequest::WaitForAll(20000));
        // The client kind waits 60 s for a silent service, the gate 5 s; generous for a loaded machine.
        EXPECT_LT(clock.elapsed(), 4000);
        EXPECT_EQ(k7::BackgroundRequest::Running(), 0);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        EXPECT_TRUE(events.isEmpty()) << events.join(',').toStdString();
    }
}

} // namespace

// A control its host puts in a connection group sends its reads and writes over that group's
// connections, in either mode, and none over the process-wide group's.
TEST(RequestModes, AControlSendsOverTheConnectionGroupItIsPutIn) {
    using k7::ConnectionGroup;
    for (const RequestMode mode : {RequestMode::Blocking, RequestMode::NonBlocking}) {
        Served served(mode);
        const auto group = ConnectionGroup::Create();
        k7::UseConnectionGroup(served.control, group);
        const int64_t processWide = ConnectionGroup::ProcessWide()->ConnectionsOpened();
        for (const HttpVerb verb : {HttpVerb::Get, HttpVerb::Patch})
            served.control.RunServiceLoader(
                {verb, "processes/prod", ""}, k7::Judgement::StatusIsZero, [](JsonBag&) {}, [](JsonBag&) {});
        ASSERT_TRUE(WaitUntil([&] { return served.server.Requests().size() == 2; }));
        EXPECT_TRUE(k7::BackgroundRequest::WaitForAll(20000));
        // A write goes out on a fresh connection, which the read may then reuse when the write is
        // over first: one or two connections, all of them the group's.
        EXPECT_GE(group->ConnectionsOpened(), 1);
        EXPECT_LE(group->ConnectionsOpened(), 2);
        EXPECT_EQ(ConnectionGroup::ProcessWide()->ConnectionsOpened(), processWide);
    }
}
