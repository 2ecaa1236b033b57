#pragma once

#include <QByteArray>
#include <QString>

namespace k7::plant {

// The TCP connection under one request, written to around the HTTP server: libmicrohttpd always
// writes the standard reason phrase of a status code, and the plant needs its own (a 400 that says
// which query parameter is wrong, a fault's reason). The server then closes the connection without
// writing anything itself.
class RawConnection {
public:
    explicit RawConnection(int socket) : socket_(socket) {}

    // Sends a whole reply with this status line ("Connection: close") and ends the sending side,
    // so the client reads the reply to its end. False when the client did not take it.
    bool Answer(int status, const QByteArray& reason, const QByteArray& body);

    // A reason phrase fit for a status line: Latin-1, no control characters.
    static QByteArray StatusLineText(const QString& reason);

private:
    bool SendAll(const QByteArray& bytes);

    int socket_;
};

} // namespace k7::plant
