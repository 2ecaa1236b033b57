#include "RawHttpServer.h"
#include "ServiceTestServer.h"
#include "ServiceTestSupport.h"

#include "service/HttpRequest.h"

#include <gtest/gtest.h>

#include <string_view>

namespace k7::test {
namespace {

using Kind = HttpRequest::Kind;
using namespace std::string_view_literals;

const QString kGet = QStringLiteral("GET");

QString Url(const char* path) {
    return ServiceTestServer::Instance().BaseUrl() + QString::fromUtf8(path);
}

// Closes the gated handler for one test and opens it again for whatever the test left there.
struct ClosedGate {
    ClosedGate() {
        // A request parked by an earlier test may still be on its way out.
        EXPECT_TRUE(WaitUntil([this] { return gate.Arrived() == gate.Departed(); }));
        gate.Close();
    }
    ~ClosedGate() { gate.Open(); }
    Gate& gate = ServiceTestServer::Instance().GatedReply();
};

// --- Addresses refused before anything is sent ----------------------------------------------------

struct RejectedUrl {
    const char* url;
    int32_t number;
};
void PrintTo(const RejectedUrl& row, std::ostream* os) {
    *os << Printable(row.url);
}

class OpenRejects : public ::testing::TestWithParam<RejectedUrl> {};

TEST_P(OpenRejects, UnusableAddressAtOnce) {
    HttpRequest request;
    const auto error = ErrorOf([&] { request.Open(kGet, QString::fromUtf8(GetParam().url), false); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number(), GetParam().number);
    EXPECT_TRUE(error->Description().endsWith(QStringLiteral("\r\n")));
    EXPECT_EQ(request.readyState(), 0);
}

INSTANTIATE_TEST_SUITE_P(Addresses, OpenRejects,
                         ::testing::Values(RejectedUrl{"ftp://127.0.0.1/x?", Raised::UnrecognizedScheme},
                                           RejectedUrl{"statuses/top?", Raised::InvalidUrl}, // APIHost empty
                                           RejectedUrl{"http:/127.0.0.1/x?", Raised::InvalidUrl},
                                           RejectedUrl{"http:///x?", Raised::InvalidUrl},
                                           RejectedUrl{"http://127.0.0.1/a b?c=d", Raised::InvalidUrl},
                                           RejectedUrl{"http://127.0.0.1/a?c=\r\n", Raised::InvalidUrl},
                                           RejectedUrl{"http://127.0.0.1:99999/", Raised::InvalidUrl}));

// --- Calls out of turn ----------------------------------------------------------------------------

struct Misuse {
    const char* name;
    Kind kind;
    std::function<void(HttpRequest&)> call;
    int32_t number;
};
void PrintTo(const Misuse& row, std::ostream* os) {
    *os << row.name;
}

class MisuseRaises : public ::testing::TestWithParam<Misuse> {};

TEST_P(MisuseRaises, WithThePlatformNumber) {
    HttpRequest request(GetParam().kind);
    const auto error = ErrorOf([&] { GetParam().call(request); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number(), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(Calls, MisuseRaises,
                         ::testing::Values(Misuse{"SendBeforeOpen", Kind::Client,
                                                  [](HttpRequest& r) { r.Send(); },
                                                  Raised::IncorrectHandleState},
                                           Misuse{"StatusBeforeSend", Kind::Client,
                                                  [](HttpRequest& r) {
                                                      r.Open(kGet, Url("crlf"), false);
                                                      r.Status();
                                                  },
                                                  Raised::NotYetAvailable},
                                           Misuse{"TimeoutsOnClientKind", Kind::Client,
                                                  [](HttpRequest& r) { r.SetTimeouts(1, 1, 1, 1); },
                                                  ErrorNumber::ObjectDoesNotSupportMember}));

// --- Reason phrase and body decoding --------------------------------------------------------------

struct Reply {
    const char* statusLine;
    const char* contentType; // "" for none
    std::string_view body;
    const char16_t* statusText;
    const char16_t* responseText;
};
void PrintTo(const Reply& row, std::ostream* os) {
    *os << Printable(row.statusLine) << " / " << row.contentType << " / " << Printable(row.body);
}

class ReplyDecoding : public ::testing::TestWithParam<Reply> {};

TEST_P(ReplyDecoding, ReasonPhraseAndCharset) {
    const Reply& row = GetParam();
    std::string reply = std::string(row.statusLine) + "\r\n";
    if (*row.contentType)
        reply += std::string("Content-Type: ") + row.contentType + "\r\n";
    reply += "Content-Length: " + std::to_string(row.body.size()) + "\r\nConnection: close\r\n\r\n";
    reply += row.body;
    RawHttpServer server(reply);
    HttpRequest request;
    request.Open(kGet, server.BaseUrl(), false);
    request.Send();
    EXPECT_EQ(request.StatusText(), QString::fromUtf16(row.statusText));
    EXPECT_EQ(request.ResponseText(), QString::fromUtf16(row.responseText));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyDecoding,
    ::testing::Values(
        Reply{"HTTP/1.1 200 OK", "", "caf\xc3\xa9", u"OK", u"caf\u00e9"},
        Reply{"HTTP/1.1 200 OK", "text/plain; charset=ISO-8859-1", "caf\xe9", u"OK", u"caf\u00e9"},
        Reply{"HTTP/1.1 200 OK", "text/plain;charset=\"latin1\"", "\xe9", u"OK", u"\u00e9"},
        Reply{"HTTP/1.1 200 OK", "text/plain; charset=windows-1252", "\x80\x93", u"OK", u"\u20ac\u201c"},
        Reply{"HTTP/1.1 200 OK", "application/json; charset=utf-8", "\xef\xbb\xbf{}", u"OK", u"{}"},
        Reply{"HTTP/1.1 200 OK", "application/json", "\xff\xfe{\0}\0"sv, u"OK", u"{}"},
        Reply{"HTTP/1.1 500 Donn\xc3\xa9\x65s", "", "", u"Donn\u00e9es", u""},
        Reply{"HTTP/1.1 500 Donn\xe9\x65s", "", "", u"Donn\u00e9es", u""},
        Reply{"HTTP/1.1 404 ", "", "", u"", u""},
        Reply{"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created", "", "", u"Created", u""}));

// --- Time-outs, asynchronous requests, abort ------------------------------------------------------

class TimeOut : public ::testing::TestWithParam<bool> {};

TEST_P(TimeOut, ServerKindGivesUpOnASilentServer) {
    ClosedGate closed;
    HttpRequest request(Kind::Server);
    request.SetTimeouts(200, 200, 200, 200);
    request.Open(kGet, Url("gated"), GetParam());
    const auto sendError = ErrorOf([&] { request.Send(); });
    if (GetParam()) {
        EXPECT_FALSE(sendError);
        ASSERT_TRUE(WaitUntil([&] { return request.readyState() == 4; }));
    } else {
        ASSERT_TRUE(sendError);
        EXPECT_EQ(sendError->Number(), Raised::TimedOut);
        EXPECT_EQ(sendError->Description(), QStringLiteral("The operation timed out\r\n"));
    }
    EXPECT_EQ(request.readyState(), 4);
    EXPECT_EQ(request.Status(), 12002);
}

INSTANTIATE_TEST_SUITE_P(Modes, TimeOut, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Async" : "Sync"; });

TEST(AsyncRequest, IsPolledToCompletion) {
    ClosedGate closed;
    HttpRequest request;
    request.Open(kGet, Url("gated"), true);
    EXPECT_EQ(request.readyState(), 1);
    request.Send();
    EXPECT_GE(request.readyState(), 2);
    EXPECT_LT(request.readyState(), 4);
    EXPECT_EQ(ErrorOf([&] { request.Status(); })->Number(), Raised::NotYetAvailable);

    closed.gate.Open();
    ASSERT_TRUE(WaitUntil([&] { return request.readyState() == 4; }));
    EXPECT_EQ(request.Status(), 200);
    EXPECT_EQ(request.ResponseText(), QStringLiteral("late"));
}

TEST(AsyncRequest, TransportFailureCompletesAndRaisesOnRead) {
    HttpRequest request;
    request.Open(kGet, QStringLiteral("http://127.0.0.1:%1/x?").arg(UnusedLoopbackPort()), true);
    request.Send();
    ASSERT_TRUE(WaitUntil([&] { return request.readyState() == 4; }));
    EXPECT_EQ(ErrorOf([&] { request.Status(); })->Number(), Raised::CannotConnect);
    EXPECT_EQ(ErrorOf([&] { request.ResponseText(); })->Number(), Raised::CannotConnect);
}

TEST(AsyncRequest, AbortIgnoresTheLateReplyAndTheObjectStaysUsable) {
    ClosedGate closed;
    const int departedBefore = closed.gate.Departed();
    HttpRequest request;
    request.Open(kGet, Url("gated"), true);
    request.Send();
    ASSERT_TRUE(WaitUntil([&] { return closed.gate.Arrived() > closed.gate.Departed(); }));

    request.Abort();
    EXPECT_EQ(request.readyState(), 0);
    closed.gate.Open(); // the server now answers a request nobody waits for
    ASSERT_TRUE(WaitUntil([&] { return closed.gate.Departed() > departedBefore; }));
    EXPECT_EQ(request.readyState(), 0);
    EXPECT_EQ(ErrorOf([&] { request.Status(); })->Number(), Raised::NotYetAvailable);

    request.Open(kGet, Url("crlf"), true);
    request.Send();
    ASSERT_TRUE(WaitUntil([&] { return request.readyState() == 4; }));
    EXPECT_EQ(request.Status(), 200);
}

TEST(AsyncRequest, ReopenOrDestroyWhileInFlightDoesNotWait) {
    ClosedGate closed;
    const int arrivedBefore = closed.gate.Arrived();
    {
        HttpRequest destroyed, reopened;
        for (HttpRequest* request : {&destroyed, &reopened}) {
            request->Open(kGet, Url("gated"), true);
            request->Send();
        }
        ASSERT_TRUE(WaitUntil([&] { return closed.gate.Arrived() == arrivedBefore + 2; }));
        reopened.Open(kGet, Url("crlf"), false);
        reopened.Send();
        EXPECT_EQ(reopened.Status(), 200);
    }
    // Both exchanges still wait at the closed gate: neither the reopen nor the destruction waited.
    EXPECT_EQ(closed.gate.Departed() + 2, closed.gate.Arrived());
}

TEST(ConnectionCache, FreshSynchronousObjectsReuseTheConnection) {
    QString ports[2];
    for (QString& port : ports) {
        HttpRequest request(Kind::Server);
        request.Open(kGet, Url("peer"), false);
        request.Send();
        port = request.ResponseText();
    }
    EXPECT_FALSE(ports[0].isEmpty());
    EXPECT_EQ(ports[0], ports[1]);
}

} // namespace
} // namespace k7::test
