#pragma once

#include "ConnectionTable.h"

#include <httplib.h>

#include <chrono>

namespace k7::oldplant {

// What one client may hold of the old server.
struct OldServerLimits {
    size_t MostConnections = 1024;
    std::chrono::milliseconds IdleTimeout{5000};
    std::chrono::milliseconds RequestTimeout{10000};
};

// The plant's HTTP server before it moved to libmicrohttpd, kept only as the benchmark's peer and
// trimmed to what the benchmark sends (GET): cpp-httplib's request parsing and routing, with a
// thread per connection.
//
// - Every connection gets a thread of its own, up to OldServerLimits::MostConnections (at most half
//   the descriptors the process may open). Past the cap, the connection idle longest makes room
//   (ConnectionTable).
// - A kept-alive connection waits IdleTimeout for its next request; from its first byte a request
//   must arrive in full within RequestTimeout.
class OldPlantServer final : public httplib::Server {
public:
    OldPlantServer(const OldServerLimits& limits, Handler handler);

    // Binds 127.0.0.1:`port` (0: a free port). Returns the port, or -1 when it cannot be bound.
    int Bind(int port);
    // Stops listening and ends every connection.
    void Shutdown();

private:
    bool process_and_close_socket(socket_t socket) override;

    OldServerLimits limits_;
    ConnectionTable connections_;
    socket_t listening_ = INVALID_SOCKET;
};

} // namespace k7::oldplant
