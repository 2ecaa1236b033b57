#include "SilentListener.h"
#include "support/TestControl.h"

#include "core/RuntimeError.h"
#include "frame/BackgroundRequest.h"
#include "json/JsonBag.h"
#include "service/HttpRequestObject.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>

using k7::HttpVerb;
using k7::JsonBag;
using k7::RequestMode;
using k7::Variant;

namespace {

const QString kHost = "http://127.0.0.1:9/";
const QString kNoConnection = "-2147012867-A connection with the server could not be established";

// The service as a script that a worker thread may answer from: replies taken in turn (the last one
// repeats), each Send held while the test keeps the door shut.
struct Service {
    struct Reply {
        int Status = 200;
        QString Reason = "OK";
        QString Body = {};
        bool NoConnection = false;
    };
    std::mutex Mutex;
    std::condition_variable DoorMoved;
    std::deque<Reply> Replies;
    QStringList Sent;
    QStringList HeaderNames;
    bool DoorShut = false;

    void Open() {
        std::lock_guard lock(Mutex);
        DoorShut = false;
        DoorMoved.notify_all();
    }
    QStringList SentSoFar() {
        std::lock_guard lock(Mutex);
        return Sent;
    }
};

class ServiceRequest : public k7::HttpRequestObject {
public:
    explicit ServiceRequest(std::shared_ptr<Service> service) : service_(std::move(service)) {}

    void Open(const QString& method, const QString& url, bool) override { line_ = method + " " + url; }
    void SetRequestHeader(const QString& name, const QString&) override {
        std::lock_guard lock(service_->Mutex);
        service_->HeaderNames << name;
    }
    void Send() override {
        std::unique_lock lock(service_->Mutex);
        service_->Sent << line_;
        // Never for good: a failing test must not wedge the run.
        service_->DoorMoved.wait_for(lock, std::chrono::seconds(20), [this] { return !service_->DoorShut; });
        if (!service_->Replies.empty()) {
            reply_ = service_->Replies.front();
            if (service_->Replies.size() > 1)
                service_->Replies.pop_front();
        }
        if (reply_.NoConnection)
            throw k7::RuntimeError(-2147012867,
                                   QStringLiteral("A connection with the server could not be established\r\n"));
    }
    void Abort() override {}
    int32_t readyState() const override { return 4; }
    int32_t Status() const override { return reply_.Status; }
    QString StatusText() const override { return reply_.Reason; }
    QString ResponseText() const override { return reply_.Body; }
    void SetTimeouts(int32_t, int32_t, int32_t, int32_t) override {}

private:
    std::shared_ptr<Service> service_;
    QString line_;
    Service::Reply reply_;
};

// Every loader form, public for the test.
class ModeControl : public TestControl {
public:
    using ServiceControl::RunFollowedLoader;
    using ServiceControl::ServiceCall;
};

// A control in `mode` whose requests go to the scripted service.
struct Scripted {
    explicit Scripted(RequestMode mode, const std::vector<Service::Reply>& replies = {}) {
        service->Replies.assign(replies.begin(), replies.end());
        control.SetRequestFactory([service = service](bool) -> std::unique_ptr<k7::HttpRequestObject> {
            return std::make_unique<ServiceRequest>(service);
        });
        control.SetRequestMode(mode);
        control.setAPIHost(kHost);
    }
    std::shared_ptr<Service> service = std::make_shared<Service>();
    ModeControl control;
};

bool WaitUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// What a loader did, as far as the control and the host can see it.
struct Trace {
    bool Result = false;
    QStringList Events; // handlers and exit steps, in order
    QString Error;
    QStringList Reads;  // RequestFinished: verb, url, status, message, good
    QStringList Writes; // WriteFinished: verb, url, status, message, verdict
    QStringList Sent;
    QStringList HeaderNames;
};

enum class Form { Read, ReadSwallowed, ReadOwnRule, Followed, Write, WriteByStatus, Unbuildable, NoHost };

struct Row {
    const char* Name;
    Form Loader;
    std::vector<Service::Reply> Replies;
    bool ExpectResult;
    QStringList ExpectEvents;
    QString ExpectError;
    QStringList ExpectReads;
    QStringList ExpectWrites;
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
    Scripted scripted(mode, row.Replies);
    ModeControl& control = scripted.control;
    if (row.Loader == Form::NoHost)
        control.setAPIHost("");
    control.setProcess("P1");

    Trace trace;
    QObject::connect(&control, &k7::ControlBase::RequestFinished, [&trace](const k7::RequestOutcome& read) {
        EXPECT_TRUE(read.Time.isValid());
        trace.Reads << QStringList{read.Verb, read.Url, QString::number(read.Status), read.Message,
                                   read.Good ? "good" : "not good"}
                           .join(' ');
    });
    QObject::connect(&control, &k7::ServiceControl::WriteFinished, [&trace](const k7::WriteOutcome& write) {
        trace.Writes << QStringList{write.Verb, write.Url, QString::number(write.Status), write.Message,
                                    k7::WriteOutcome::VerdictName(write.Verdict)}
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
    trace.Sent = scripted.service->SentSoFar();
    trace.HeaderNames = scripted.service->HeaderNames;
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
    EXPECT_EQ(blocking.Reads, row.ExpectReads);
    EXPECT_EQ(blocking.Writes, row.ExpectWrites);

    const Trace nonBlocking = RunLoader(row, RequestMode::NonBlocking);
    EXPECT_EQ(nonBlocking.Events, blocking.Events);
    EXPECT_EQ(nonBlocking.Error, blocking.Error);
    EXPECT_EQ(nonBlocking.Reads, blocking.Reads);
    EXPECT_EQ(nonBlocking.Writes, blocking.Writes);
    EXPECT_EQ(nonBlocking.Sent, blocking.Sent);
    EXPECT_EQ(nonBlocking.HeaderNames, blocking.HeaderNames);
}

const QString kRead = "GET " + kHost + "processes/prod?process=P1 ";
const QString kWrite = "POST " + kHost + "results?result=4 ";
const QString kFirst = "GET " + kHost + "statuses/fai?process=P1 ";
const QString kSecond = "GET " + kHost + "statuses/top?process=P1 ";
const QString kNotJson = "-2147182176-Expected either { or [ at character 1";

// One row a reply kind: laid out by hand, the formatter would give each field a line of its own.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Frame, RequestModes,
    ::testing::Values(
        Row{"Accepted", Form::Read, {{.Body = R"({"status":0,"data":"T-1","message":" Fine "})"}}, true,
            {"accepted T-1", "exit"}, "", {kRead + "200 Fine good"}, {}},
        Row{"Rejected", Form::Read, {{.Body = R"({"status":1,"data":"","message":"No rows"})"}}, true,
            {"rejected No rows", "exit"}, "", {kRead + "200 No rows not good"}, {}},
        Row{"NotJson", Form::Read, {{.Body = "<html>busy</html>"}}, false, {"exit"}, kNotJson,
            {kRead + "200  not good"}, {}},
        Row{"NotJsonSwallowed", Form::ReadSwallowed, {{.Body = "<html>busy</html>"}}, false, {"exit"}, "",
            {kRead + "200  not good"}, {}},
        Row{"NoStatus", Form::Read, {{.Body = R"({"data":"T-1"})"}}, false, {"exit"},
            "-2147182324-Requested Item by key doesn't exist (case mismatch?)", {kRead + "200  not good"},
            {}},
        Row{"HttpError", Form::Read, {{.Status = 503, .Reason = "Service Unavailable", .Body = "{}"}}, true,
            {"rejected Service Unavailable", "exit"}, "", {kRead + "503 Service Unavailable not good"}, {}},
        // The reason goes into the failure envelope unescaped, which is then no JSON; the report
        // still carries the text as the client had it.
        Row{"QuotedReason", Form::Read, {{.Status = 500, .Reason = R"(Say "no")", .Body = "{}"}}, false,
            {"exit"}, "-2147182176-Expected , or } at character 43", {kRead + R"(500 Say "no" not good)"},
            {}},
        Row{"NoConnection", Form::Read, {{.NoConnection = true}}, true, {"rejected " + kNoConnection, "exit"},
            "", {kRead + "0 " + kNoConnection + " not good"}, {}},
        Row{"OwnRule", Form::ReadOwnRule, {{.Body = R"({"data":"yes"})"}}, true, {"accepted yes", "exit"}, "",
            {kRead + "200  good"}, {}},
        // A rule of the control's own may take a failure envelope; the read is still no good one.
        Row{"OwnRuleTakesNoConnection", Form::ReadOwnRule, {{.NoConnection = true}}, true,
            {"accepted ", "exit"}, "", {kRead + "0 " + kNoConnection + " not good"}, {}},
        Row{"Followed", Form::Followed,
            {{.Body = R"({"status":0,"data":"F1"})"}, {.Body = R"({"status":0,"data":"D2","message":"ok"})"}},
            true, {"first F1", "followed D2", "exit"}, "",
            {kFirst + "200  good", kSecond + "200 ok good"}, {}},
        // The second reply goes to its handler unjudged, whatever it is.
        Row{"FollowedByNoConnection", Form::Followed,
            {{.Body = R"({"status":0,"data":"F1"})"}, {.NoConnection = true}}, true,
            {"first F1", "followed ", "exit"}, "",
            {kFirst + "200  good", kSecond + "0 " + kNoConnection + " not good"}, {}},
        // A write is judged by its own rule alone: the message books this one whatever the status.
        Row{"WriteBooked", Form::Write, {{.Body = R"({"status":1,"message":"Success"})"}}, true,
            {"booked", "exit"}, "", {}, {kWrite + "200 Success booked"}},
        Row{"WriteByStatusBooked", Form::WriteByStatus, {{.Body = R"({"status":0,"message":"Anything"})"}},
            true, {"booked", "exit"}, "", {}, {"PATCH " + kHost + "statuses/7? 200 Anything booked"}},
        Row{"WriteByStatusRefused", Form::WriteByStatus, {{.Body = R"({"status":1,"message":"Success"})"}},
            true, {"refused", "exit"}, "", {}, {"PATCH " + kHost + "statuses/7? 200 Success refused"}},
        Row{"WriteUnknown", Form::Write, {{.NoConnection = true}}, true, {"refused", "exit"}, "", {},
            {kWrite + "0 " + kNoConnection + " unknown"}},
        Row{"WriteNotJson", Form::Write, {{.Body = "<html>"}}, false, {"exit"}, kNotJson, {},
            {kWrite + "200  refused"}},
        Row{"RequestNotBuilt", Form::Unbuildable, {}, false, {"exit"}, "6-Overflow", {}, {}},
        Row{"NoAPIHost", Form::NoHost, {}, false, {"exit"}, "", {}, {}}),
    [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.Name); });
// clang-format on

// While a request is out, a further loader of the control sends nothing, builds nothing, runs no
// handler or exit step of its own and returns false; once the reply is handled the next one goes.
TEST(RequestModes, LoaderWhileOneIsOutIsSkipped) {
    Scripted scripted(RequestMode::NonBlocking, {{.Body = R"({"status":0,"data":"T-1"})"}});
    ModeControl& control = scripted.control;
    scripted.service->DoorShut = true;
    QStringList events;
    int built = 0;
    const auto load = [&](const QString& name) {
        return control.RunServiceLoader(
            [&] {
                ++built;
                return ModeControl::ServiceCall{HttpVerb::Get, "processes/prod", name};
            },
            k7::Judgement::StatusIsZero, [&events, name](JsonBag&) { events << name; },
            [&events](JsonBag&) { events << "rejected"; }, [&events, name] { events << name + " exit"; });
    };
    EXPECT_FALSE(load("first"));
    EXPECT_TRUE(control.RequestInFlight());
    ASSERT_TRUE(WaitUntil([&] { return scripted.service->SentSoFar().size() == 1; }));
    EXPECT_FALSE(load("skipped"));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    // A write is skipped as well: one request of a control at a time.
    EXPECT_FALSE(control.RunServiceLoader(
        {HttpVerb::Post, "results", ""}, k7::Judgement::MessageIsSuccess,
        [&events](JsonBag&) { events << "booked"; }, [](JsonBag&) {}));
    EXPECT_EQ(built, 1);
    EXPECT_TRUE(events.isEmpty());

    scripted.service->Open();
    ASSERT_TRUE(WaitUntil([&] { return !control.RequestInFlight(); }));
    EXPECT_EQ(events, QStringList({"first", "first exit"}));
    EXPECT_EQ(scripted.service->SentSoFar(), QStringList({"GET " + kHost + "processes/prod?first"}));

    EXPECT_FALSE(load("second"));
    ASSERT_TRUE(WaitUntil([&] { return events.size() == 4; }));
    EXPECT_EQ(events.mid(2), QStringList({"second", "second exit"}));
}

// A handler may start the control's next load (a booking reloads its list): it goes out.
TEST(RequestModes, HandlerStartsTheNextLoad) {
    Scripted scripted(RequestMode::NonBlocking,
                      {{.Body = R"({"message":"Success"})"}, {.Body = R"({"status":0,"data":"reloaded"})"}});
    ModeControl& control = scripted.control;
    QStringList events;
    control.RunServiceLoader(
        {HttpVerb::Post, "results", ""}, k7::Judgement::MessageIsSuccess,
        [&](JsonBag&) {
            events << "booked";
            control.RunServiceLoader(
                {HttpVerb::Get, "scrapcauses", ""}, k7::Judgement::StatusIsZero,
                [&events](JsonBag& reply) { events << Text(reply, "data"); }, [](JsonBag&) {});
        },
        [](JsonBag&) {});
    ASSERT_TRUE(WaitUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events, QStringList({"booked", "reloaded"}));
    EXPECT_FALSE(control.RequestInFlight());
}

// A control destroyed while its request waits on a service that never answers: the transfer is
// cancelled, the worker ends at once, and nothing of the request is handled.
TEST(RequestModes, DestroyedControlAbandonsItsRequest) {
    SilentListener silent;
    ASSERT_NE(silent.Port(), 0);
    for (const bool byApplicationEnd : {false, true}) {
        SCOPED_TRACE(byApplicationEnd ? "application end" : "control destroyed");
        QStringList events;
        auto control = std::make_unique<ModeControl>();
        control->SetRequestMode(RequestMode::NonBlocking);
        control->setAPIHost(silent.BaseUrl());
        QObject::connect(control.get(), &k7::ControlBase::RequestFinished,
                         [&events](const k7::RequestOutcome&) { events << "finished"; });
        control->RunServiceLoader({HttpVerb::Get, "processes/prod", ""}, k7::Judgement::StatusIsZero,
                                  [&events](JsonBag&) { events << "accepted"; },
                                  [&events](JsonBag&) { events << "rejected"; }, [&events] { events << "exit"; });
        ASSERT_TRUE(control->RequestInFlight());
        // Give the worker time to be well inside the exchange.
        QThread::msleep(300);
        EXPECT_EQ(k7::BackgroundRequest::Running(), 1);

        QElapsedTimer clock;
        clock.start();
        if (byApplicationEnd)
            k7::BackgroundRequest::AbandonAll();
        else
            control.reset();
        EXPECT_TRUE(k7::BackgroundRequest::WaitForAll(20000));
        // The client kind waits 60 s for a silent service; generous for a loaded machine.
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_EQ(k7::BackgroundRequest::Running(), 0);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        EXPECT_TRUE(events.isEmpty()) << events.join(',').toStdString();
    }
}

} // namespace
