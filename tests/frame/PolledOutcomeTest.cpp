#include "support/TestControl.h"

#include "core/RuntimeError.h"
#include "frame/PolledRequest.h"
#include "frame/Timer.h"
#include "service/HttpRequestObject.h"

#include <gtest/gtest.h>

namespace {

const QString kAddress = "http://127.0.0.1:9/drawing/path?process=P1";

// How the path view's request object behaves for one row.
struct Polled {
    int32_t FinalState = 4;
    int32_t Status = 200;
    QString Reason = "OK";
    bool OpenFails = false;
    bool StatusFails = false;
};

class PolledFake : public k7::HttpRequestObject {
public:
    explicit PolledFake(Polled script) : script_(std::move(script)) {}
    void Open(const QString&, const QString&, bool) override {
        if (script_.OpenFails)
            throw k7::RuntimeError(-2147012891, QStringLiteral("The URL is invalid\r\n"));
        state_ = 1;
    }
    void SetRequestHeader(const QString&, const QString&) override {}
    void Send() override { state_ = script_.FinalState; }
    void Abort() override { state_ = 0; }
    int32_t readyState() const override { return state_; }
    int32_t Status() const override {
        if (script_.StatusFails)
            throw k7::RuntimeError(-2147012867,
                                   QStringLiteral("A connection with the server could not be established\r\n"));
        return script_.Status;
    }
    QString StatusText() const override { return script_.Reason; }
    QString ResponseText() const override { return "print 1"; }
    void SetTimeouts(int32_t, int32_t, int32_t, int32_t) override {}

private:
    Polled script_;
    int32_t state_ = 0;
};

struct PolledRow {
    const char* Name;
    Polled Script;
    int64_t TimeOutSeconds;
    bool HandlerFails;
    QString ExpectHandler;
    QString ExpectOutcome; // status, message, good
};

void PrintTo(const PolledRow& row, std::ostream* out) {
    *out << row.Name;
}

class PolledOutcome : public ::testing::TestWithParam<PolledRow> {};

// The path view's request is reported once, on the timer's control, before its handler runs; a
// handler that fails afterwards does not report it a second time.
TEST_P(PolledOutcome, ReportsTheRequestOnceBeforeItsHandler) {
    const PolledRow& row = GetParam();
    TestControl control;
    k7::Timer& timer = control.Create<k7::Timer>("tmrPath");
    QStringList events;
    QObject::connect(&control, &k7::ControlBase::RequestFinished, [&events](const k7::RequestOutcome& read) {
        EXPECT_EQ(read.Verb, "GET");
        EXPECT_EQ(read.Url, kAddress);
        EXPECT_TRUE(read.Time.isValid());
        events << QStringList{QString::number(read.Status), read.Message, read.Good ? "good" : "not good"}.join('|');
    });
    const auto fail = [&row] {
        if (row.HandlerFails)
            k7::Raise(k7::ErrorNumber::Overflow);
    };
    k7::PolledRequest request(
        timer, row.TimeOutSeconds,
        {.Replied =
             [&](int32_t status, const std::function<QString()>&) {
                 events << "replied " + QString::number(status);
                 fail();
             },
         .TimedOut = [&] { events << "timed out"; },
         .NotSent = [&](const QString&) { events << "not sent"; },
         .Failed = [&](const QString&) { events << "failed"; }});
    request.SetRequestObject(std::make_unique<PolledFake>(row.Script));
    request.Send(kAddress);
    request.Poll();
    QStringList expected{row.ExpectOutcome, row.ExpectHandler};
    if (row.HandlerFails)
        expected << "failed";
    EXPECT_EQ(events, expected);
}

const QString kNoConnection = "-2147012867-A connection with the server could not be established";

INSTANTIATE_TEST_SUITE_P(
    Frame, PolledOutcome,
    ::testing::Values(PolledRow{"Picture", {}, 60, false, "replied 200", "200||good"},
                      PolledRow{"NotFound", {.Status = 404, .Reason = "Not Found"}, 60, false, "replied 404",
                                "404|Not Found|not good"},
                      PolledRow{"HandlerFails", {}, 60, true, "replied 200", "200||good"},
                      PolledRow{"TimedOut", {.FinalState = 2}, 0, false, "timed out",
                                "0|No reply within 0 seconds|not good"},
                      PolledRow{"NotSent", {.OpenFails = true}, 60, false, "not sent",
                                "0|-2147012891-The URL is invalid|not good"},
                      PolledRow{"NoConnection", {.StatusFails = true}, 60, false, "failed",
                                "0|" + kNoConnection + "|not good"}),
    [](const ::testing::TestParamInfo<PolledRow>& info) { return std::string(info.param.Name); });

} // namespace
