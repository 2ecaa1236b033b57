#include "RawConnection.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace k7::plant {

namespace {
// The server's sockets do not block; a client that does not read its reply for this long gets none.
constexpr int SendPatienceMs = 5000;
} // namespace

QByteArray RawConnection::StatusLineText(const QString& reason) {
    QByteArray text;
    text.reserve(reason.size());
    for (const QChar c : reason) {
        const char16_t unit = c.unicode();
        if (unit < 32 || unit == 127)
            text += ' ';
        else if (unit > 255)
            text += '?';
        else
            text += static_cast<char>(unit);
    }
    return text;
}

bool RawConnection::SendAll(const QByteArray& bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n =
            ::send(socket_, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        pollfd entry{socket_, POLLOUT, 0};
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK) || ::poll(&entry, 1, SendPatienceMs) <= 0)
            return false;
    }
    return true;
}

bool RawConnection::Answer(int status, const QByteArray& reason, const QByteArray& body) {
    if (socket_ < 0)
        return false;
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    reply += "Content-Type: application/json; charset=utf-8\r\n";
    reply += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    reply += "Connection: close\r\n\r\n";
    reply += body;
    const bool sent = SendAll(reply);
    ::shutdown(socket_, SHUT_WR);
    return sent;
}

} // namespace k7::plant
