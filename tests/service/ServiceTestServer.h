#pragma once

#include <QString>

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
}

namespace k7::test {

// A door a handler waits at until the test opens it, so "slow" replies need no sleeps. Waiting
// gives up after a few seconds, so a failing test can never wedge the server.
class Gate {
public:
    void Close();
    void Open();
    // Called by the handler: counts the arrival, waits for Open(), then counts the departure.
    void Pass();
    int Arrived() const;
    int Departed() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = true;
    int arrived_ = 0;
    int departed_ = 0;
};

// The cpp-httplib server the service tests talk to: one instance on an ephemeral 127.0.0.1 port for
// the whole test program, one handler per behaviour:
//   /crlf            200 with CR LF between members and inside a string, and a literal backslash-n
//   /status/<n>      status n with the server's standard reason phrase and a body to be ignored
//   /method          200 naming the method and the Content-Type/body the server saw (GET, POST,
//                    PATCH, DELETE)
//   /peer            200 whose body is the client's port, to see connections being reused
//   /gated           waits at the Gate, then 200 "late"
//   /bye             200 with "Connection: close", so the client drops its kept-alive connection
class ServiceTestServer : public ::testing::Environment {
public:
    static ServiceTestServer& Instance();

    void SetUp() override;
    void TearDown() override;

    // "http://127.0.0.1:<port>/"
    QString BaseUrl() const;
    Gate& GatedReply() { return gate_; }

private:
    std::unique_ptr<httplib::Server> server_;
    std::thread listener_;
    int port_ = 0;
    Gate gate_;
};

// A port on 127.0.0.1 that nobody listens on (bound, then released).
int UnusedLoopbackPort();

} // namespace k7::test
