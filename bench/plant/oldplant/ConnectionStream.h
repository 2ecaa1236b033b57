#pragma once

#include <httplib.h>

#include <chrono>

namespace k7::oldplant {

// One accepted connection as cpp-httplib reads and writes it, with the plant's rules in place of
// the library's socket stream:
// - reads give up at a deadline for the whole request rather than after a quiet spell, so a client
//   that trickles a byte now and then cannot keep a request open for ever;
// - writes go out as long as the client can take them. The library's stream refuses to write once
//   the client has half-closed (its liveness check peeks, sees the end of the input and calls the
//   connection dead), so a client that sends its request and then shuts its sending side down
//   never got an answer.
class ConnectionStream final : public httplib::Stream {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    ConnectionStream(int socket, std::chrono::milliseconds writeTimeout);

    // True when bytes (or the end of the input) arrive before `deadline`.
    bool WaitForInput(Deadline deadline);
    // Reads of the request now being received fail once `deadline` has passed.
    void SetReadDeadline(Deadline deadline);
    // A read failed (deadline, end of input or error): the connection cannot carry another request.
    bool ReadFailed() const { return readFailed_; }

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return socket_; }

private:
    // Waits for `events` on the socket until `deadline`.
    bool Poll(short events, Deadline deadline) const;
    ssize_t Fail();

    int socket_;
    std::chrono::milliseconds writeTimeout_;
    Deadline readDeadline_ = Deadline::max();
    bool readFailed_ = false;
    char buffer_[16384];
    size_t begin_ = 0;
    size_t end_ = 0;
};

} // namespace k7::oldplant
