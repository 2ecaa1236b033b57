#pragma once

#include <chrono>
#include <cstddef>

namespace k7::plant {

// What the plant's HTTP server grants one client. The defaults suit every host; tests lower them
// to provoke the limits with a handful of connections.
struct ServerLimits {
    // Connections served at once, each on a thread of its own. Past this the connection idle
    // longest is shed to make room. Never more than half the descriptors the process may open.
    size_t MostConnections = 1024;
    // How long a kept-alive connection may wait for the first byte of its next request.
    std::chrono::milliseconds IdleTimeout{5000};
    // From its first byte, how long a request may take to arrive in full, head and body.
    std::chrono::milliseconds RequestTimeout{10000};
    // Largest request body taken; a larger one is answered 413 without being kept.
    size_t MostBodyBytes = size_t{8} << 20;
};

} // namespace k7::plant
