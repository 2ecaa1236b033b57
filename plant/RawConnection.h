#pragma once

#include <QByteArray>

namespace k7::plant {

// The TCP connection under one request, reached around the HTTP server. cpp-httplib always writes
// the standard reason phrase of a status code and cannot drop a connection from a handler; the
// plant needs both (a 400 that says what is wrong, injected faults). It finds the connection's
// socket by its two ports, writes a complete reply (or nothing) and shuts the socket down, so the
// server's own reply that follows fails quietly and the server closes the connection.
class RawConnection {
public:
    // The connection from 127.0.0.1:`remotePort` to 127.0.0.1:`localPort`.
    RawConnection(int localPort, int remotePort);

    bool IsFound() const { return socket_ >= 0; }

    // Sends a whole reply with this status line ("Connection: close") and shuts the socket down.
    bool Answer(int status, const QByteArray& reason, const QByteArray& body);
    // Shuts the socket down without a word: the client sees the connection end.
    void Drop();

    // A reason phrase fit for a status line: Latin-1, no control characters.
    static QByteArray StatusLineText(const QString& reason);

private:
    bool SendAll(const QByteArray& bytes);

    int socket_ = -1;
};

} // namespace k7::plant
