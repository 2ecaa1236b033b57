#include "SilentListener.h"
#include "support/TestHttpServer.h"

#include "service/HttpRequest.h"
#include "service/RequestCancel.h"
#include "service/RestClient.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <chrono>
#include <future>
#include <thread>

namespace k7::test {
namespace {

// What the REST client hands back for a cancelled exchange: the request layer's own words.
constexpr const char* kCancelled = "-2147012879-The operation has been canceled";

QString EnvelopeMessage(const QString& text) {
    const QString prefix = QStringLiteral(R"({"status":"9999","data":"","message":")");
    return text.startsWith(prefix) ? text.mid(prefix.size()).chopped(2).trimmed() : QString();
}

struct Outcome {
    QString text;
    QString failure;
    qint64 elapsedMs = 0;
};

// One GET through a REST client on a thread of its own that watches `cancel`, cancelled from here
// after `cancelAfter` (never when negative).
Outcome GetOnWorker(const QString& address, RequestCancel& cancel, std::chrono::milliseconds cancelAfter) {
    std::promise<void> started;
    QElapsedTimer clock;
    clock.start();
    auto result = std::async(std::launch::async, [&] {
        RequestCancel::Watch watch(cancel);
        RestClient client;
        client.SetBolServer(true);
        client.SetAPIHost(address);
        started.set_value();
        Outcome run;
        run.text = client.GetRequest(QStringLiteral("processes/prod"), QStringLiteral("process=P1"));
        run.failure = client.LastFailure();
        return run;
    });
    started.get_future().wait();
    if (cancelAfter.count() >= 0) {
        std::this_thread::sleep_for(cancelAfter);
        cancel.Cancel();
    }
    Outcome run = result.get();
    run.elapsedMs = clock.elapsed();
    return run;
}

// A stalled service holds a server-kind request for its 5 minutes of silence; a cancel ends it at
// once, whether it comes before the request is sent or while the reply is awaited.
TEST(RequestCancel, EndsAStalledExchangeAtOnce) {
    SilentListener silent;
    ASSERT_NE(silent.Port(), 0);
    for (const int cancelAfterMs : {0, 300}) {
        SCOPED_TRACE(cancelAfterMs);
        RequestCancel cancel;
        const Outcome run = GetOnWorker(silent.BaseUrl(), cancel, std::chrono::milliseconds(cancelAfterMs));
        EXPECT_EQ(EnvelopeMessage(run.text), kCancelled);
        EXPECT_EQ(run.failure.trimmed(), kCancelled);
        // Generous for a loaded machine; without the cancel this would take minutes.
        EXPECT_LT(run.elapsedMs, 5000);
        EXPECT_TRUE(cancel.Cancelled());
    }
}

// Once cancelled, a watch lets nothing more out: a later request fails before it reaches the wire.
// A watch never cancelled changes nothing, and neither does another thread's cancel.
TEST(RequestCancel, CancelledWatchSendsNothingMoreAndOthersAreUntouched) {
    TestHttpServer server;
    server.Script("processes/prod", {.body = R"({"status":0})"});

    RequestCancel untouched;
    EXPECT_EQ(GetOnWorker(server.BaseUrl(), untouched, std::chrono::milliseconds(-1)).text, R"({"status":0})");

    RequestCancel cancelled;
    cancelled.Cancel();
    RequestCancel other;
    other.Cancel();
    const Outcome refused = GetOnWorker(server.BaseUrl(), cancelled, std::chrono::milliseconds(-1));
    EXPECT_EQ(EnvelopeMessage(refused.text), kCancelled);
    EXPECT_EQ(server.Requests().size(), 1u) << "the cancelled request never reached the server";

    // This thread watches nothing: the cancels above are none of its business.
    RestClient client;
    client.SetAPIHost(server.BaseUrl());
    EXPECT_EQ(client.GetRequest(QStringLiteral("processes/prod"), QString()), R"({"status":0})");
    EXPECT_EQ(client.LastFailure(), QString());
}

// The failure text a client hands back is the envelope's, also where the envelope carries it
// unescaped (a 404's reason phrase) and with no reply at all.
TEST(RequestCancel, ClientKeepsTheFailureTextOfItsEnvelope) {
    TestHttpServer server;
    server.Script("gone", {.status = 404});
    server.Script("quoted", {.status = 500, .reason = "Say \"no\""});
    RestClient client;
    client.SetAPIHost(server.BaseUrl());
    const struct {
        const char* path;
        int status;
        QString failure;
    } rows[] = {{"gone", 404, "Not Found"}, {"quoted", 500, "Say \"no\""}, {"fine", 200, ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        client.GetRequest(QString::fromLatin1(row.path), QString());
        EXPECT_EQ(client.LastStatus(), row.status);
        EXPECT_EQ(client.LastFailure(), row.failure);
    }
}

} // namespace
} // namespace k7::test
