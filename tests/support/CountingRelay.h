#pragma once

#include <QString>

#include <atomic>
#include <thread>

namespace k7::test {

// A TCP relay on an ephemeral 127.0.0.1 port in front of a server on another loopback port, that
// counts the connections its clients open: what a service sees of a terminal's connections,
// whatever server stands behind. Every accepted connection is relayed byte for byte on a
// connection of its own to the server; either side closing closes both.
class CountingRelay {
public:
    explicit CountingRelay(int serverPort);
    ~CountingRelay();
    CountingRelay(const CountingRelay&) = delete;
    CountingRelay& operator=(const CountingRelay&) = delete;

    // "http://127.0.0.1:<port>/"
    QString BaseUrl() const;
    // Connections accepted so far, and open now.
    int Accepted() const { return accepted_.load(); }
    int Open() const { return open_.load(); }

private:
    void Relay();

    int serverPort_;
    int listener_ = -1;
    int port_ = 0;
    int stopPipe_[2] = {-1, -1};
    std::atomic<int> accepted_{0};
    std::atomic<int> open_{0};
    std::thread thread_;
};

} // namespace k7::test
