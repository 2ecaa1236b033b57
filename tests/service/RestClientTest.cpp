#include "RawHttpServer.h"
#include "ServiceTestServer.h"
#include "ServiceTestSupport.h"

#include "service/HttpRequestObject.h"
#include "service/RestClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <vector>

namespace k7::test {
namespace {

using Operation = QString (RestClient::*)(const QString&, const QString&);

Operation OperationFor(std::string_view method) {
    if (method == "PATCH")
        return &RestClient::PatchRequest;
    if (method == "POST")
        return &RestClient::PostRequest;
    return method == "DELETE" ? &RestClient::DeleteRequest : &RestClient::GetRequest;
}

// --- The request object's life, watched through a fake factory ------------------------------------

enum class Raise { Nothing, ConnectionFailure, OutOfMemory, OtherException };

// How the fake objects behave; a test may change it between calls.
struct Behaviour {
    int32_t readyState = 4;
    int32_t status = 200;
    QString statusText = QStringLiteral("OK");
    QString body = QStringLiteral("{}");
    Raise onSend = Raise::Nothing;
};

// Writes every call into a log shared with the test.
class FakeRequest : public HttpRequestObject {
public:
    FakeRequest(std::vector<std::string>& log, const Behaviour& behaviour)
        : log_(log), behaviour_(behaviour) {}
    ~FakeRequest() override { log_.push_back("release"); }

    void Open(const QString& method, const QString& url, bool async) override {
        log_.push_back("Open " + method.toStdString() + " " + url.toStdString() +
                       (async ? " async" : " sync"));
    }
    void Send() override {
        log_.push_back("Send");
        if (behaviour_.onSend == Raise::ConnectionFailure)
            throw RuntimeError(-2147012867,
                               QStringLiteral("A connection with the server could not be established\r\n"));
        if (behaviour_.onSend == Raise::OutOfMemory)
            throw std::bad_alloc();
        if (behaviour_.onSend == Raise::OtherException)
            throw std::runtime_error("unexpected");
    }
    void Abort() override { log_.push_back("Abort"); }
    int32_t readyState() const override { return behaviour_.readyState; }
    int32_t Status() const override { return behaviour_.status; }
    QString StatusText() const override { return behaviour_.statusText; }
    QString ResponseText() const override { return behaviour_.body; }
    void SetTimeouts(int32_t resolveMs, int32_t connectMs, int32_t sendMs, int32_t receiveMs) override {
        log_.push_back("SetTimeouts " + std::to_string(resolveMs) + " " + std::to_string(connectMs) + " " +
                       std::to_string(sendMs) + " " + std::to_string(receiveMs));
    }

private:
    std::vector<std::string>& log_;
    const Behaviour& behaviour_;
};

class RestClientObject : public ::testing::Test {
protected:
    std::vector<std::string> log;
    Behaviour behaviour;
    bool failCreation = false;
    // Last, so that it (and the fake it holds) goes before the log the fake writes to.
    RestClient client{[this](bool serverMode) -> std::unique_ptr<HttpRequestObject> {
        log.push_back(serverMode ? "create server" : "create client");
        return failCreation ? nullptr : std::make_unique<FakeRequest>(log, behaviour);
    }};
};

TEST_F(RestClientObject, IsKeptAcrossCallsAndReplacedAfterAFailure) {
    client.SetAPIHost(QStringLiteral("http://plant/"));
    client.GetRequest(QStringLiteral("a"), QStringLiteral("x=1"));
    client.PostRequest(QStringLiteral("b"), QString());
    behaviour.onSend = Raise::ConnectionFailure;
    EXPECT_EQ(
        client.GetRequest(QStringLiteral("c"), QString()),
        QStringLiteral("{\"status\":\"9999\",\"data\":\"\",\"message\":\"-2147012867-A connection with the "
                       "server could not be established\r\n\"}"));
    behaviour.onSend = Raise::Nothing;
    client.GetRequest(QStringLiteral("d"), QString());

    EXPECT_EQ(log, (std::vector<std::string>{"create client", "Open GET http://plant/a?x=1 sync", "Send",
                                             "Open POST http://plant/b? sync", "Send",
                                             "Open GET http://plant/c? sync", "Send", "release",
                                             "create client", "Open GET http://plant/d? sync", "Send"}));
}

TEST_F(RestClientObject, ServerModeSwapsTheObjectAndSetsTimeOutsBeforeEveryRequest) {
    client.GetRequest(QStringLiteral("p"), QString());
    client.SetBolServer(true);
    client.GetRequest(QStringLiteral("p"), QString());
    client.GetRequest(QStringLiteral("p"), QString());
    client.SetBolServer(false);
    client.GetRequest(QStringLiteral("p"), QString());

    const std::string timeouts = "SetTimeouts 60000 30000 30000 300000";
    EXPECT_EQ(log, (std::vector<std::string>{"create client", "Open GET p? sync", "Send", "release",
                                             "create server", timeouts, "Open GET p? sync", "Send", timeouts,
                                             "Open GET p? sync", "Send", "release", "create client",
                                             "Open GET p? sync", "Send"}));
}

struct Judgement {
    const char* name;
    Behaviour behaviour;
    bool failCreation;
    const char* message; // of the failure envelope; nullptr: the reply body comes back
    int objectsForTwoCalls;
};
void PrintTo(const Judgement& row, std::ostream* os) {
    *os << row.name;
}

class RestClientJudges : public RestClientObject, public ::testing::WithParamInterface<Judgement> {};

TEST_P(RestClientJudges, OutcomeIntoTextAndNeverRaises) {
    behaviour = GetParam().behaviour;
    failCreation = GetParam().failCreation;
    const QString expected = GetParam().message
                                 ? QStringLiteral("{\"status\":\"9999\",\"data\":\"\",\"message\":\"%1\"}")
                                       .arg(QString::fromUtf8(GetParam().message))
                                 : QStringLiteral("{\"a\":\"bc\"}");
    for (int call = 0; call < 2; ++call)
        EXPECT_EQ(client.GetRequest(QStringLiteral("p"), QString()), expected);
    EXPECT_EQ(std::count(log.begin(), log.end(), "create client"), GetParam().objectsForTwoCalls);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, RestClientJudges,
    ::testing::Values(
        Judgement{"Ok",
                  {4, 200, {}, QStringLiteral("{\"a\":\r\n\"b\rc\n\"}\r\n"), Raise::Nothing},
                  false,
                  nullptr,
                  1},
        Judgement{"NotComplete", {1, 200, {}, {}, Raise::Nothing}, false, "Connection timed out", 1},
        Judgement{"Accepted", {4, 202, QStringLiteral("Accepted"), {}, Raise::Nothing}, false, "Accepted", 1},
        Judgement{"OutOfMemory", {4, 200, {}, {}, Raise::OutOfMemory}, false, "7-Out of memory", 2},
        Judgement{
            "OtherException", {4, 200, {}, {}, Raise::OtherException}, false, "440-Automation error", 2},
        Judgement{"NoObject", {}, true, "429-ActiveX component can't create object", 2}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Against the cpp-httplib server and unused ports on 127.0.0.1 ---------------------------------

struct Exchange {
    const char* method;
    const char* base; // nullptr: the test server; "REFUSED": a port nobody listens on
    const char* path;
    const char* params;
    bool server;
    const char* expected;
};
void PrintTo(const Exchange& row, std::ostream* os) {
    *os << row.method << ' ' << (row.base ? row.base : "server") << ' ' << Printable(row.path) << '?'
        << Printable(row.params) << (row.server ? " server" : "");
}

class RestClientExchange : public ::testing::TestWithParam<Exchange> {};

TEST_P(RestClientExchange, ReturnsBodyOrEnvelope) {
    const Exchange& row = GetParam();
    QString base = row.base ? QString::fromUtf8(row.base) : ServiceTestServer::Instance().BaseUrl();
    if (base == QLatin1String("REFUSED"))
        base = QStringLiteral("http://127.0.0.1:%1/").arg(UnusedLoopbackPort());
    RestClient client;
    client.SetAPIHost(base);
    client.SetBolServer(row.server);
    EXPECT_EQ((client.*OperationFor(row.method))(QString::fromUtf8(row.path), QString::fromUtf8(row.params)),
              QString::fromUtf8(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RestClientExchange,
    ::testing::Values(
        Exchange{"GET", nullptr, "crlf", "", true,
                 R"({"status":0,"data":"line1line2","message":"kept\nescape"})"},
        Exchange{"GET", nullptr, "status/500", "", false,
                 R"({"status":"9999","data":"","message":"Internal Server Error"})"},
        Exchange{"GET", nullptr, "status/201", "", true,
                 R"({"status":"9999","data":"","message":"Created"})"},
        Exchange{"GET", nullptr, "status/204", "", false,
                 R"({"status":"9999","data":"","message":"No Content"})"},
        // The server library reads our body-less POST, PATCH and DELETE without waiting for a body.
        Exchange{"POST", nullptr, "method", "process=P1&quantityA=3", false, "POST content-type= body=0"},
        Exchange{"PATCH", nullptr, "method", "id_tu=FAI", true, "PATCH content-type= body=0"},
        Exchange{"DELETE", nullptr, "method", "", false, "DELETE content-type= body=0"},
        Exchange{
            "GET", "REFUSED", "processes/prod", "process=P1", false,
            "{\"status\":\"9999\",\"data\":\"\",\"message\":\"-2147012867-A connection with the server could "
            "not be established\r\n\"}"},
        Exchange{"GET", "", "statuses/top", "", false,
                 "{\"status\":\"9999\",\"data\":\"\",\"message\":\"-2147012891-The URL is invalid\r\n\"}"},
        Exchange{"GET", "http://127.0.0.1:1/", "processes/prod", "process=P 1", true,
                 "{\"status\":\"9999\",\"data\":\"\",\"message\":\"-2147012891-The URL is invalid\r\n\"}"},
        Exchange{
            "POST", "ftp://127.0.0.1/", "results", "", false,
            "{\"status\":\"9999\",\"data\":\"\",\"message\":\"-2147012890-The URL does not use a recognized "
            "protocol\r\n\"}"}));

// --- The exact request on the wire, and reason phrases cpp-httplib cannot send -----------------------

struct Wire {
    const char* method;
    const char* path;
    const char* params;
    const char* statusLine;
    const char* expectedHead; // HOST stands for the server's address
    const char* expected;
};
void PrintTo(const Wire& row, std::ostream* os) {
    *os << row.method << ' ' << Printable(row.path) << '?' << Printable(row.params);
}

class RestClientWire : public ::testing::TestWithParam<Wire> {};

TEST_P(RestClientWire, AddressByPlainConcatenationNoBodyNoContentType) {
    RawHttpServer server(std::string(GetParam().statusLine) +
                         "\r\nContent-Length: 2\r\nConnection: close\r\n\r\n{}");
    RestClient client;
    client.SetAPIHost(server.BaseUrl());
    EXPECT_EQ((client.*OperationFor(GetParam().method))(QString::fromUtf8(GetParam().path),
                                                        QString::fromUtf8(GetParam().params)),
              QString::fromUtf8(GetParam().expected));
    std::string expectedHead = GetParam().expectedHead;
    expectedHead.replace(expectedHead.find("HOST"), 4, "127.0.0.1:" + std::to_string(server.Port()));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], expectedHead);
}

constexpr const char* kOk = "HTTP/1.1 200 OK";

INSTANTIATE_TEST_SUITE_P(
    Requests, RestClientWire,
    ::testing::Values(
        Wire{"GET", "statuses/top", "", kOk,
             "GET /statuses/top? HTTP/1.1\r\nHost: HOST\r\nAccept: */*\r\n\r\n", "{}"},
        Wire{"GET", "/processes/prod", "process=P1&session=S&company=C", kOk,
             "GET //processes/prod?process=P1&session=S&company=C HTTP/1.1\r\nHost: HOST\r\nAccept: "
             "*/*\r\n\r\n",
             "{}"},
        // Nothing is escaped, decoded or normalised on the way.
        Wire{"GET", "a/../b/%41", "v=%20|{x}&w=\xc3\xa9", kOk,
             "GET /a/../b/%41?v=%20|{x}&w=\xc3\xa9 HTTP/1.1\r\nHost: HOST\r\nAccept: */*\r\n\r\n", "{}"},
        Wire{"PATCH", "statuses/42", "id_tu=FAI&session=S&company=C", kOk,
             "PATCH /statuses/42?id_tu=FAI&session=S&company=C HTTP/1.1\r\nHost: HOST\r\nAccept: */*\r\n"
             "Content-Length: 0\r\n\r\n",
             "{}"},
        Wire{"POST", "results", "process=P1&quantityA=1", kOk,
             "POST /results?process=P1&quantityA=1 HTTP/1.1\r\nHost: HOST\r\nAccept: */*\r\nContent-Length: "
             "0\r\n\r\n",
             "{}"},
        // A quote in the reason phrase goes into the envelope as it stands: no longer valid JSON.
        Wire{"GET", "x", "", "HTTP/1.1 409 Batch \"B7\" locked",
             "GET /x? HTTP/1.1\r\nHost: HOST\r\nAccept: */*\r\n\r\n",
             R"({"status":"9999","data":"","message":"Batch "B7" locked"})"},
        Wire{"GET", "x", "", "HTTP/1.1 503 Plant offline for maintenance",
             "GET /x? HTTP/1.1\r\nHost: HOST\r\nAccept: */*\r\n\r\n",
             R"({"status":"9999","data":"","message":"Plant offline for maintenance"})"}));

} // namespace
} // namespace k7::test
