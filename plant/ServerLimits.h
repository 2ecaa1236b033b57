#pragma once

#include <chrono>
#include <cstddef>

namespace k7::plant {

// What the plant's HTTP server grants its clients. The defaults suit a fleet of terminals on one
// host; tests lower them to reach the limits with a handful of connections.
struct ServerLimits {
    // Connections held at once. Past this, newcomers wait in the kernel's listen queue until a
    // connection ends; none is turned away. Never more than half the descriptors the process may
    // open (the rest stays for the host's own files and connections).
    //
    // Each thread holds its share of them, and connections do not spread evenly over the threads.
    // libmicrohttpd 0.9.75 stalls a thread that reached its share: connections waiting in the
    // listen queue, and even some it holds, then wait for their idle time-out. So the limit is
    // kept well above the fleet: a thread's share alone holds 4,000 terminals.
    size_t MostConnections = 8192;
    // Threads running the server's event loops, one per core of the machine the plant was sized
    // on. A connection waiting out an injected delay holds none of them.
    unsigned Threads = 2;
    // How long a connection may stay silent: waiting for its next request, or between two pieces
    // of one. Whole seconds, the server's resolution.
    std::chrono::seconds IdleTimeout{5};
    // Memory one connection may hold for its request head and its buffers; a longer head is
    // refused.
    size_t MostConnectionBytes = size_t{64} << 10;
    // Largest request body taken; a larger one is answered 413 without being kept.
    size_t MostBodyBytes = size_t{8} << 20;
};

} // namespace k7::plant
