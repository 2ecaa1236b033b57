#pragma once

#include "ConnectionTable.h"
#include "ServerLimits.h"

#include <httplib.h>

namespace k7::plant {

// The plant's HTTP server on 127.0.0.1: cpp-httplib's request parsing and routing, with the
// connection handling a plant on a shop floor needs from clients that misbehave.
//
// - Every connection gets a thread of its own, up to ServerLimits::MostConnections; cpp-httplib
//   serves a connection on one task for as long as it lives, so a fixed pool would let a few dozen
//   idle sockets hold every request up. Past the cap, the connection idle longest makes room
//   (ConnectionTable).
// - A kept-alive connection waits IdleTimeout for its next request; from its first byte a request
//   must arrive in full within RequestTimeout, however slowly it trickles in.
// - A client that half-closes after its request still gets the answer (ConnectionStream).
// - Bodies are read and dropped as they arrive, never kept: the plant reads nothing from them. A
//   body declared larger than MostBodyBytes is answered 413 without being read, and the connection
//   ends (after a grace for the client to read the answer); a chunked body past the limit is read
//   to its end and answered 413.
// - The controls send POST and PATCH without a body and need not say "Content-Length: 0" for
//   that; cpp-httplib would then read the absent body until the client closes, so such requests
//   are answered without reading one.
class PlantServer final : public httplib::Server {
public:
    PlantServer(const ServerLimits& limits, Handler handler);

    // Binds 127.0.0.1:`port` (0: a free port). Returns the port, or -1 when it cannot be bound.
    int Bind(int port);
    // Stops listening and ends every connection (a kept-alive client would otherwise hold its
    // thread, and so the stop, until its time-out).
    void Shutdown();

private:
    bool process_and_close_socket(socket_t socket) override;
    bool BodyTooLarge(const httplib::Request& request) const;
    void AnswerTooLarge(httplib::Response& response) const;

    ServerLimits limits_;
    Handler handler_;
    ConnectionTable connections_;
    socket_t listening_ = INVALID_SOCKET;
};

} // namespace k7::plant
