#pragma once

#include <QString>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace k7::test {

// A bare socket server on an ephemeral 127.0.0.1 port that records the exact bytes of every
// request head it receives and answers each connection with one canned reply, sent verbatim, then
// closes it. For what cpp-httplib cannot do: custom reason phrases and seeing the wire as is.
class RawHttpServer {
public:
    explicit RawHttpServer(std::string reply);
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>/"
    QString BaseUrl() const;
    // Everything received per connection up to the end of the head, plus any bytes that followed
    // in the same reads (a body would show up there).
    std::vector<std::string> Requests() const;

private:
    void Serve();
    std::string ReadRequest(int connection);

    std::string reply_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

} // namespace k7::test
