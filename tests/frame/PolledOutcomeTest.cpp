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

// The events of one polled request: its report (status, message, good) and its handlers, in order.
QStringList Events(const Polled& script, int64_t timeOutSeconds, bool handlerFails) {
    TestControl control;
    k7::Timer& timer = control.Create<k7::Timer>("tmrPath");
    QStringList events;
    QObject::connect(&control, &k7::ControlBase::RequestFinished, [&events](const k7::RequestOutcome& read) {
        EXPECT_EQ(read.Verb, "GET");
        EXPECT_EQ(read.Url, kAddress);
        EXPECT_TRUE(read.Time.isValid());
        events << QStringList{QString::number(read.Status), read.Message, read.Good ? "good" : "not good"}
                      .join('|');
    });
    k7::PolledRequest request(timer, timeOutSeconds,
                              {.Replied =
                                   [&](int32_t status, const std::function<QString()>&) {
                                       events << "replied " + QString::number(status);
                                       if (handlerFails)
                                           k7::Raise(k7::ErrorNumber::Overflow);
                                   },
                               .TimedOut = [&] { events << "timed out"; },
                               .NotSent = [&](const QString&) { events << "not sent"; },
                               .Failed = [&](const QString&) { events << "failed"; }});
    request.SetRequestObject(std::make_unique<PolledFake>(script));
    request.Send(kAddress);
    request.Poll();
    return events;
}

const QString kNoConnection = "-2147012867-A connection with the server could not be established";

// The path view's request is reported once, on the timer's control, before its handler runs; a
// handler that fails afterwards does not report it a second time.
TEST(PolledOutcome, ReportsTheRequestOnceBeforeItsHandler) {
    EXPECT_EQ(Events({}, 60, false), QStringList({"200||good", "replied 200"}));
    EXPECT_EQ(Events({.Status = 404, .Reason = "Not Found"}, 60, false),
              QStringList({"404|Not Found|not good", "replied 404"}));
    EXPECT_EQ(Events({}, 60, true), QStringList({"200||good", "replied 200", "failed"}));
    EXPECT_EQ(Events({.FinalState = 2}, 0, false),
              QStringList({"0|No reply within 0 seconds|not good", "timed out"}));
    EXPECT_EQ(Events({.OpenFails = true}, 60, false),
              QStringList({"0|-2147012891-The URL is invalid|not good", "not sent"}));
    EXPECT_EQ(Events({.StatusFails = true}, 60, false),
              QStringList({"0|" + kNoConnection + "|not good", "failed"}));
}

} // namespace
