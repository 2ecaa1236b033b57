#include "ServiceTestSupport.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <string_view>

namespace k7::test {
namespace {

using namespace Qt::StringLiterals;
using namespace std::string_view_literals;

// A test server whose "gated" path waits at its closed gate and whose "ok" path answers at once.
struct GatedServer {
    GatedServer() { server.Script("gated", {.body = "late", .gated = true}); }
    QString Url(const char* path) const { return server.BaseUrl() + QString::fromUtf8(path); }
    TestHttpServer server;
    Gate& gate = server.GatedReplies();
};

// RestClient hands over its APIHost as given: "/" makes an address without a scheme.
TEST(HttpRequest, OpenRefusesAnUnusableAddressAtOnce) {
    for (const char* url :
         {"/x?", "http:/127.0.0.1/x?", "http:///x?", "http://127.0.0.1\r\n/a?", "http://127.0.0.1:99999/"}) {
        HttpRequest request;
        EXPECT_EQ(FailureOf([&] { request.Open(kGet, QString::fromUtf8(url), false); }),
                  u"%1-The URL is invalid\r\n"_s.arg(Raised::InvalidUrl))
            << url;
        EXPECT_EQ(request.readyState(), 0);
    }
}

TEST(HttpRequest, CallsOutOfTurnRaiseThePlatformsNumbers) {
    HttpRequest request;
    EXPECT_EQ(Raises([&] { request.Send(); }), Raised::IncorrectHandleState);
    request.Open(kGet, u"http://127.0.0.1:1/"_s, false);
    EXPECT_EQ(Raises([&] { request.Status(); }), Raised::NotYetAvailable);
    EXPECT_EQ(Raises([&] { request.SetTimeouts(1, 1, 1, 1); }), ErrorNumber::ObjectDoesNotSupportMember);
    // A header value must not smuggle in a line of its own.
    EXPECT_EQ(Raises([&] { request.SetRequestHeader(u"Key"_s, u"a\r\nX: 1"_s); }), Raised::InvalidArgument);
    request.Abort();
    EXPECT_EQ(Raises([&] { request.SetRequestHeader(u"Key"_s, u"a"_s); }), Raised::IncorrectHandleState);
}

// The reason phrase and the body are decoded by the charset named, else by their byte order mark,
// else as UTF-8, falling back to Latin-1 for a reason phrase that is no UTF-8.
TEST(HttpRequest, DecodesReasonPhraseAndBody) {
    const struct {
        const char* statusLine;
        const char* contentType; // "" for none
        std::string_view body;
        const char16_t* statusText;
        const char16_t* responseText;
    } rows[] = {{"HTTP/1.1 200 OK", "", "caf\xc3\xa9", u"OK", u"caf\u00e9"},
                {"HTTP/1.1 200 OK", "text/plain;charset=\"latin1\"", "\xe9", u"OK", u"\u00e9"},
                {"HTTP/1.1 200 OK", "text/plain; charset=windows-1252", "\x80\x93", u"OK", u"\u20ac\u201c"},
                {"HTTP/1.1 200 OK", "application/json; charset=utf-8", "\xef\xbb\xbf{}", u"OK", u"{}"},
                {"HTTP/1.1 200 OK", "application/json", "\xff\xfe{\0}\0"sv, u"OK", u"{}"},
                {"HTTP/1.1 500 Donn\xc3\xa9\x65s", "", "", u"Donn\u00e9es", u""},
                {"HTTP/1.1 500 Donn\xe9\x65s", "", "", u"Donn\u00e9es", u""},
                {"HTTP/1.1 404 ", "", "", u"", u""},
                {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created", "", "", u"Created", u""}};
    for (const auto& row : rows) {
        std::string reply = std::string(row.statusLine) + "\r\n";
        if (*row.contentType)
            reply += std::string("Content-Type: ") + row.contentType + "\r\n";
        reply += "Content-Length: " + std::to_string(row.body.size()) + "\r\nConnection: close\r\n\r\n";
        TestHttpServer server;
        server.Script("*", {.raw = reply + std::string(row.body)});
        HttpRequest request;
        request.Open(kGet, server.BaseUrl(), false);
        request.Send();
        EXPECT_EQ(request.StatusText(), QString::fromUtf16(row.statusText)) << row.statusLine;
        EXPECT_EQ(request.ResponseText(), QString::fromUtf16(row.responseText)) << row.statusLine;
    }
}

TEST(HttpRequest, ServerKindGivesUpOnASilentServer) {
    GatedServer closed;
    for (bool async : {false, true}) {
        SCOPED_TRACE(async ? "async" : "sync");
        HttpRequest request(Kind::Server);
        request.SetTimeouts(200, 200, 200, 200);
        request.Open(kGet, closed.Url("gated"), async);
        const QString sendError = FailureOf([&] { request.Send(); });
        if (async) {
            EXPECT_EQ(sendError, "no error");
            ASSERT_TRUE(WaitUntil([&] { return request.readyState() == 4; }));
        } else {
            EXPECT_EQ(sendError, u"%1-The operation timed out\r\n"_s.arg(Raised::TimedOut));
        }
        EXPECT_EQ(request.readyState(), 4);
        EXPECT_EQ(request.Status(), 12002);
    }
}

TEST(AsyncRequest, IsPolledToCompletionAndAbortIgnoresTheLateReply) {
    GatedServer closed;
    HttpRequest request;
    request.Open(kGet, closed.Url("gated"), true);
    EXPECT_EQ(request.readyState(), 1);
    request.Send();
    EXPECT_GE(request.readyState(), 2);
    EXPECT_LT(request.readyState(), 4);
    EXPECT_EQ(Raises([&] { request.Status(); }), Raised::NotYetAvailable);
    ASSERT_TRUE(WaitUntil([&] { return closed.gate.Arrived() > closed.gate.Departed(); }));

    request.Abort();
    EXPECT_EQ(request.readyState(), 0);
    closed.gate.Open(); // the server now answers a request nobody waits for
    ASSERT_TRUE(WaitUntil([&] { return closed.gate.Departed() == 1; }));
    EXPECT_EQ(request.readyState(), 0);
    EXPECT_EQ(Raises([&] { request.Status(); }), Raised::NotYetAvailable);

    // The object stays usable, and the late "late" never shows in the next reply.
    request.Open(kGet, closed.Url("ok"), true);
    request.Send();
    ASSERT_TRUE(WaitUntil([&] { return request.readyState() == 4; }));
    EXPECT_EQ(request.Status(), 200);
    EXPECT_EQ(request.ResponseText(), u"{}"_s);
}

TEST(AsyncRequest, ReopenOrDestroyWhileInFlightDoesNotWait) {
    GatedServer closed;
    {
        HttpRequest destroyed, reopened;
        for (HttpRequest* request : {&destroyed, &reopened}) {
            request->Open(kGet, closed.Url("gated"), true);
            request->Send();
        }
        ASSERT_TRUE(WaitUntil([&] { return closed.gate.Arrived() == 2; }));
        reopened.Open(kGet, closed.Url("ok"), false);
        reopened.Send();
        EXPECT_EQ(reopened.Status(), 200);
    }
    // Both exchanges still wait at the closed gate: neither the reopen nor the destruction waited.
    EXPECT_EQ(closed.gate.Departed() + 2, closed.gate.Arrived());
}

// A service that reads a whole request and then loses the connection (a restarting proxy, a Wi-Fi
// link that drops) after the same client's earlier request left that connection open. libcurl
// answers a dead reused connection by sending the request again on a new one; for a write that is
// a second booking, so a write must reach the service at most once. A read may be sent again.
TEST(HttpRequest, AWriteDroppedAfterReadingReachesTheServiceOnce) {
    for (const char* verb : {"POST", "PATCH", "DELETE"}) {
        SCOPED_TRACE(verb);
        TestHttpServer server;
        server.Script("dropped", {.raw = ""});
        HttpRequest warm(Kind::Client);
        warm.Open(kGet, server.BaseUrl() + u"warm"_s, false);
        warm.Send(); // leaves a live connection in the cache

        HttpRequest write(Kind::Client);
        write.Open(QString::fromLatin1(verb), server.BaseUrl() + u"dropped?key=1"_s, false);
        write.SetRequestHeader(u"Idempotency-Key"_s, u"k-1"_s);
        EXPECT_NE(FailureOf([&] { write.Send(); }), "no error") << "no reply is a transport failure";

        int copies = 0;
        for (const RecordedRequest& request : server.Requests()) {
            if (request.target != "/dropped?key=1")
                continue;
            ++copies;
            EXPECT_EQ(request.method, verb);
            const auto key = request.headers.find("Idempotency-Key");
            EXPECT_TRUE(key != request.headers.end() && key->second == "k-1");
        }
        EXPECT_EQ(copies, 1);
    }
}

} // namespace
} // namespace k7::test
