#include "ServiceTestSupport.h"
#include "support/TestHttpServer.h"

#include "service/HttpRequestObject.h"
#include "service/RestClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace k7::test {
namespace {

using namespace Qt::StringLiterals;

using Operation = QString (RestClient::*)(const QString&, const QString&);

Operation OperationFor(std::string_view method) {
    if (method == "PATCH")
        return &RestClient::PatchRequest;
    if (method == "POST")
        return &RestClient::PostRequest;
    return method == "DELETE" ? &RestClient::DeleteRequest : &RestClient::GetRequest;
}

std::string Envelope(const std::string& message) {
    return R"({"status":"9999","data":"","message":")" + message + "\"}";
}

// --- The request object's life, watched through a fake factory ------------------------------------

// What goes wrong with the fake objects; a test may change it between calls.
enum class Fault { None, NotComplete, NoObject, ConnectionFailure, OutOfMemory, OtherException };

// Writes every call into a log shared with the test.
class FakeRequest : public HttpRequestObject {
public:
    FakeRequest(std::vector<std::string>& log, const Fault& fault) : log_(log), fault_(fault) {}
    ~FakeRequest() override { log_.push_back("release"); }

    void Open(const QString& method, const QString& url, bool async) override {
        log_.push_back("Open " + method.toStdString() + " " + url.toStdString() +
                       (async ? " async" : " sync"));
    }
    void Send() override {
        log_.push_back("Send");
        if (fault_ == Fault::ConnectionFailure)
            throw RuntimeError(-2147012867, u"A connection with the server could not be established\r\n"_s);
        if (fault_ == Fault::OutOfMemory)
            throw std::bad_alloc();
        if (fault_ == Fault::OtherException)
            throw std::runtime_error("unexpected");
    }
    void Abort() override { log_.push_back("Abort"); }
    int32_t readyState() const override { return fault_ == Fault::NotComplete ? 1 : 4; }
    int32_t Status() const override { return 200; }
    QString StatusText() const override { return u"OK"_s; }
    QString ResponseText() const override { return u"{}"_s; }
    void SetTimeouts(int32_t resolveMs, int32_t connectMs, int32_t sendMs, int32_t receiveMs) override {
        log_.push_back("SetTimeouts " + std::to_string(resolveMs) + " " + std::to_string(connectMs) + " " +
                       std::to_string(sendMs) + " " + std::to_string(receiveMs));
    }
    void SetRequestHeader(const QString& name, const QString& value) override {
        log_.push_back("SetRequestHeader " + name.toStdString() + ": " + value.toStdString());
    }

private:
    std::vector<std::string>& log_;
    const Fault& fault_;
};

class RestClientObject : public ::testing::Test {
protected:
    std::unique_ptr<RestClient> NewClient() {
        return std::make_unique<RestClient>([this](bool serverMode) -> std::unique_ptr<HttpRequestObject> {
            log.push_back(serverMode ? "create server" : "create client");
            return fault == Fault::NoObject ? nullptr : std::make_unique<FakeRequest>(log, fault);
        });
    }
    std::vector<std::string> log;
    Fault fault = Fault::None;
    // Last, so that it (and the fake it holds) goes before the log the fake writes to.
    std::unique_ptr<RestClient> client = NewClient();
};

// A header goes with every request after it is set, between Open and Send; a server object has
// its time-outs set before every request.
TEST_F(RestClientObject, IsKeptAcrossCallsReplacedAfterAFailureAndSwappedForServerMode) {
    const std::string header = "SetRequestHeader Idempotency-Key: k1";
    client->SetAPIHost(u"http://plant/"_s);
    client->GetRequest(u"a"_s, u"x=1"_s);
    EXPECT_EQ(client->LastStatus(), 200);
    client->SetRequestHeader(u"Idempotency-Key"_s, u"k1"_s);
    client->PostRequest(u"b"_s, QString());
    fault = Fault::ConnectionFailure;
    client->GetRequest(u"c"_s, QString()); // its envelope: the exchange table's Refused row
    EXPECT_EQ(client->LastStatus(), 0) << "no reply came";
    EXPECT_EQ(log, (std::vector<std::string>{"create client", "Open GET http://plant/a?x=1 sync", "Send",
                                             "Open POST http://plant/b? sync", header, "Send",
                                             "Open GET http://plant/c? sync", header, "Send", "release"}));

    log.clear();
    fault = Fault::None;
    client->SetBolServer(true);
    client->GetRequest(u"d"_s, QString());
    client->GetRequest(u"d"_s, QString());
    client->SetBolServer(false);
    client->GetRequest(u"d"_s, QString());
    const std::string timeouts = "SetTimeouts 60000 30000 30000 300000";
    const std::string open = "Open GET http://plant/d? sync";
    EXPECT_EQ(log,
              (std::vector<std::string>{"create server", timeouts, open, header, "Send", timeouts, open,
                                        header, "Send", "release", "create client", open, header, "Send"}));
}

TEST_F(RestClientObject, JudgesTheOutcomeIntoTextAndNeverRaises) {
    const struct {
        Fault fault;
        const char* message; // of the failure envelope
        int objectsForTwoCalls;
    } rows[] = {{Fault::NotComplete, "Connection timed out", 1},
                {Fault::OutOfMemory, "7-Out of memory", 2},
                {Fault::OtherException, "440-Automation error", 2},
                {Fault::NoObject, "429-ActiveX component can't create object", 2}};
    for (const auto& row : rows) {
        fault = row.fault;
        client = NewClient();
        log.clear();
        for (int call = 0; call < 2; ++call)
            EXPECT_EQ(client->GetRequest(u"p"_s, QString()).toStdString(), Envelope(row.message));
        EXPECT_EQ(std::count(log.begin(), log.end(), "create client"), row.objectsForTwoCalls) << row.message;
    }
}

// --- Against the test server on 127.0.0.1: what the caller gets and what the server saw -----------

struct Exchange {
    std::string name{};
    std::string call{};     // "METHOD path?params"
    std::string expected{}; // returned text
    std::string seen{};     // "METHOD target" of each request the server received, " ; " between
    std::function<void(TestHttpServer&)> script{};
    std::string base{}; // APIHost; empty: the test server; "REFUSED": a port nobody listens on
    bool server = false;
};
void PrintTo(const Exchange& row, std::ostream* os) {
    *os << row.name;
}

std::function<void(TestHttpServer&)> Reply(ScriptedReply reply) {
    return [=](TestHttpServer& server) { server.Script("*", reply); };
}
// "from" redirects to `to`, "end" answers `end`.
std::function<void(TestHttpServer&)> Moved(int status, std::string to = "/end",
                                           ScriptedReply end = {.body = "moved"}) {
    return [=](TestHttpServer& server) {
        server.Script("from", {.status = status, .location = to});
        server.Script("end", end);
    };
}
// hop/N redirects to hop/N-1 down to hop/0, which answers.
void Chain(TestHttpServer& server) {
    for (int hop = 1; hop <= 11; ++hop)
        server.Script("hop/" + std::to_string(hop),
                      {.status = 302, .location = "/hop/" + std::to_string(hop - 1)});
    server.Script("hop/0", {.body = "arrived"});
}
std::string Hops(int from, int to) {
    std::string seen = "GET /hop/" + std::to_string(from) + '?';
    for (int hop = from - 1; hop >= to; --hop)
        seen += " ; GET /hop/" + std::to_string(hop);
    return seen;
}
const std::string kRedirectFailed = Envelope("-2147012740-The HTTP redirect request failed\r\n");

class RestClientExchange : public ::testing::TestWithParam<Exchange> {};

TEST_P(RestClientExchange, ReturnsBodyOrEnvelope) {
    const Exchange& row = GetParam();
    TestHttpServer server;
    if (row.script)
        row.script(server);
    QString base = row.base.empty() ? server.BaseUrl() : QString::fromStdString(row.base);
    if (base == u"REFUSED"_s)
        base = u"http://127.0.0.1:%1/"_s.arg(UnusedLoopbackPort());
    RestClient client;
    client.SetAPIHost(base);
    client.SetBolServer(row.server);
    const QString call = QString::fromUtf8(row.call);
    const QString target = call.section(' ', 1);
    EXPECT_EQ((client.*OperationFor(call.section(' ', 0, 0).toStdString()))(target.section('?', 0, 0),
                                                                            target.section('?', 1)),
              QString::fromStdString(row.expected));

    std::string seen;
    for (const RecordedRequest& request : server.Requests()) {
        seen += (seen.empty() ? "" : " ; ") + request.method + ' ' + request.target;
        // Nothing of the client's own: no Content-Type, User-Agent or Expect, and no body (it would
        // need a Content-Length other than 0 or a Transfer-Encoding).
        std::multimap<std::string, std::string> headers{
            {"Accept", "*/*"}, {"Host", "127.0.0.1:" + std::to_string(server.Port())}};
        if (request.method != "GET")
            headers.emplace("Content-Length", "0");
        EXPECT_EQ(request.headers, headers) << request.target;
    }
    EXPECT_EQ(seen, row.seen);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RestClientExchange,
    ::testing::Values(
        Exchange{"PlainConcatenation", "GET /processes/prod?process=P1&session=S&company=C", "{}",
                 "GET //processes/prod?process=P1&session=S&company=C"},
        // A "#" in a value would end the address as a fragment: it goes as %23.
        Exchange{"HashInValue", "GET processes/prod?process=P#1&session=a#b&company=C", "{}",
                 "GET /processes/prod?process=P%231&session=a%23b&company=C"},
        // Blanks, controls and non-ASCII go percent-encoded; "%", "|", "{" and dot segments as given.
        Exchange{"EncodedOnlyWhereRefused", "GET a b/../%41?v=%20|{x}&w=\xc3\xa9&c=\t\x01\x7f", "{}",
                 "GET /a%20b/../%41?v=%20|{x}&w=%C3%A9&c=%09%01%7F"},
        Exchange{"Delete", "DELETE x?", "{}", "DELETE /x?"},
        Exchange{
            "CrLfRemoved", "GET x?", R"({"status":0,"data":"line1line2","message":"a\nb"})", "GET /x?",
            Reply({.body = "{\"status\":0,\r\n\"data\":\"line1\r\nline2\",\n\"message\":\"a\\nb\"}\r\n"})},
        Exchange{"ServerError", "GET x?", Envelope("Internal Server Error"), "GET /x?",
                 Reply({.status = 500, .body = R"({"status":0})"})},
        Exchange{"Created", "GET x?", Envelope("Created"), "GET /x?", Reply({.status = 201, .body = "{}"}),
                 "", true},
        // Redirects are followed and the final reply judged; the first request shows each verb.
        Exchange{"Found302Relative", "GET from?", "moved", "GET /from? ; GET /end?b=2",
                 Moved(302, "end?b=2")},
        Exchange{"Found302PostBecomesGet", "POST from?", "moved", "POST /from? ; GET /end", Moved(302)},
        Exchange{"SeeOther303PatchBecomesGet", "PATCH from?", "moved", "PATCH /from? ; GET /end", Moved(303)},
        Exchange{"Temporary307KeepsPost", "POST from?", "moved", "POST /from? ; POST /end", Moved(307)},
        Exchange{"RedirectToFailure", "GET from?", Envelope("Not Found"), "GET /from? ; GET /end",
                 Moved(302, "/end", ScriptedReply{.status = 404})},
        Exchange{"TenRedirectsAreFollowed", "GET hop/10?", "arrived", Hops(10, 0), Chain},
        Exchange{"EleventhRedirectFails", "GET hop/11?", kRedirectFailed, Hops(11, 1), Chain},
        Exchange{"RedirectToOtherScheme", "GET from?", kRedirectFailed, "GET /from?",
                 Moved(302, "ftp://127.0.0.1/x")},
        Exchange{"Refused", "GET processes/prod?process=P1",
                 Envelope("-2147012867-A connection with the server could not be established\r\n"), "",
                 nullptr, "REFUSED"},
        Exchange{"OtherScheme", "POST results?",
                 Envelope("-2147012890-The URL does not use a recognized protocol\r\n"), "", nullptr,
                 "ftp://127.0.0.1/"}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace k7::test
