#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace k7::bench {

// What a load run saw.
struct LoadResult {
    size_t Answered = 0; // requests answered 200
    // Requests without a 200: refused, reset or closed connections, other statuses, out of time.
    size_t Failed = 0;
    std::vector<double> LatencyUs; // of each answered request, from its sending (the first: from connecting)

    // The `share` (0 to 1) quantile of the latencies; 0 without any.
    double LatencyQuantileUs(double share) const;
};

// Clients of an HTTP server on 127.0.0.1:`port`, all on the calling thread (non-blocking sockets
// and one epoll set), so that thousands of them measure the server rather than the client. Every
// client connects at once, then sends `requestsEach` GET requests, each target taken from `mix` in
// turn (client i starting at target i), the next as soon as the last is answered, on one kept-alive
// connection; then it resets the connection (no TIME_WAIT is left to use up the ports of later
// runs). What is not answered within `patience` fails.
LoadResult RunLoad(int port, size_t clients, size_t requestsEach, const std::vector<std::string>& mix,
                   std::chrono::seconds patience);

} // namespace k7::bench
