#include "support/Checks.h"
#include "support/TestControl.h"
#include "support/TestHttpServer.h"

#include "controls/pathcontrol/PolledRequest_p.h"
#include "core/RuntimeError.h"
#include "frame/children/Timer_p.h"

#include <gtest/gtest.h>

namespace {

using k7::test::ScriptedReply;

// The events of one polled request of the path view to `path` on a server answering `reply`: its
// report (status, message, good) and its handlers, in order.
QStringList Events(ScriptedReply reply, int64_t timeOutSeconds, bool handlerFails,
                   const QString& path = "drawing/path?process=P1") {
    k7::test::TestHttpServer server;
    server.Script("*", std::move(reply));
    const QString address = path.startsWith("http") ? path : server.BaseUrl() + path;
    TestControl control;
    k7::Timer& timer = control.Create<k7::Timer>("tmrPath");
    QStringList events;
    bool over = false;
    QObject::connect(&control, &k7::ControlBase::RequestFinished, [&](const k7::RequestOutcome& read) {
        EXPECT_EQ(read.Verb, "GET");
        EXPECT_EQ(read.Url, address);
        EXPECT_TRUE(read.Time.isValid());
        events << QStringList{QString::number(read.Status), read.Message, read.Good ? "good" : "not good"}
                      .join('|');
    });
    const auto ended = [&](const QString& event) {
        events << event;
        over = true;
    };
    k7::PolledRequest request(timer, timeOutSeconds,
                              {.Replied =
                                   [&](int32_t status, const std::function<QString()>&) {
                                       ended("replied " + QString::number(status));
                                       if (handlerFails)
                                           k7::Raise(k7::ErrorNumber::Overflow);
                                   },
                               .TimedOut = [&] { ended("timed out"); },
                               .NotSent = [&](const QString&) { ended("not sent"); },
                               .Failed = [&](const QString&) { ended("failed"); }});
    request.Send(address);
    // The timer's ticks, without waiting for them; no further look once a handler has run.
    EXPECT_TRUE(k7::test::WaitUntil([&] {
        if (!over)
            request.Poll();
        return over;
    }));
    return events;
}

// The path view's request is reported once, on the timer's control, before its handler runs; a
// handler that fails afterwards does not report it a second time.
TEST(PolledOutcome, ReportsTheRequestOnceBeforeItsHandler) {
    const QString refused = QString("http://127.0.0.1:%1/x").arg(k7::test::UnusedLoopbackPort());
    EXPECT_EQ(Events({}, 60, false), QStringList({"200||good", "replied 200"}));
    EXPECT_EQ(Events({.status = 404}, 60, false), QStringList({"404|Not Found|not good", "replied 404"}));
    EXPECT_EQ(Events({}, 60, true), QStringList({"200||good", "replied 200", "failed"}));
    EXPECT_EQ(Events({.gated = true}, 0, false),
              QStringList({"0|No reply within 0 seconds|not good", "timed out"}));
    EXPECT_EQ(Events({}, 60, false, "http:///x?"),
              QStringList({"0|-2147012891-The URL is invalid|not good", "not sent"}));
    EXPECT_EQ(Events({}, 60, false, refused),
              QStringList({"0|-2147012867-A connection with the server could not be established|not good",
                           "failed"}));
}

} // namespace
