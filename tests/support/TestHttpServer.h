#pragma once

#include <QString>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace k7::test {

// A door, closed until the test opens it, that a handler waits at, so "slow" replies need no
// sleeps. Waiting gives up after a few seconds, so a failing test can never wedge the server.
class Gate {
public:
    void Open();
    // Called by the handler: counts the arrival, waits for Open(), then counts the departure.
    void Pass();
    int Arrived() const;
    int Departed() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
    int arrived_ = 0;
    int departed_ = 0;
};

// What the server answers on one path.
struct ScriptedReply {
    int status = 200;
    std::string reason{};   // "": the standard phrase; anything else is sent as it stands
    std::string body{};     // sent as application/json
    std::string location{}; // sent as "Location" when not empty (redirects)
    bool gated = false;     // wait at the server's Gate before answering
    // Sent as it stands instead of a reply, then the connection closes; "" drops it without a word.
    std::optional<std::string> raw{};
};

// One request as the server received it.
struct RecordedRequest {
    std::string method;
    std::string target;                              // exactly as in the request line
    std::multimap<std::string, std::string> headers; // as sent by the client
    int remotePort = 0; // the client's port: equal ports mean a reused connection
};

// An HTTP/1.1 server on an ephemeral 127.0.0.1 port, listening from construction to destruction,
// that answers by script and records every request. A path is the target's path part, raw, without
// its leading slashes ("processes/prod"); the path "*" scripts every path that has no script of its
// own; without any script the answer is 200 with the body "{}". Connections are kept alive, except
// after a custom reason phrase, a raw reply or a drop; destruction ends every open connection, so a
// client's kept-alive connection never holds it up.
class TestHttpServer {
public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>/"
    QString BaseUrl() const;

    void Script(const std::string& path, ScriptedReply reply);

    std::vector<RecordedRequest> Requests() const;

    Gate& GatedReplies() { return gate_; }

private:
    void Handle(const httplib::Request& request, httplib::Response& response);

    std::unique_ptr<httplib::Server> server_;
    std::thread listener_;
    int port_ = 0;
    Gate gate_;
    mutable std::mutex mutex_;
    std::map<std::string, ScriptedReply> scripts_;
    std::vector<RecordedRequest> requests_;
};

// A port on 127.0.0.1 that nobody listens on (bound, then released).
int UnusedLoopbackPort();

} // namespace k7::test
