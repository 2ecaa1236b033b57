#include "RawConnection.h"

#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <filesystem>
#include <string>

namespace k7::plant {

namespace {

int PortOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

} // namespace

RawConnection::RawConnection(int localPort, int remotePort) {
    // Only connected sockets have a peer: the listening socket shares the local port but has none,
    // and a client socket of the same process has the server's port as its peer's, not its own.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        int fd = -1;
        try {
            fd = std::stoi(entry.path().filename().string());
        } catch (const std::exception&) {
            continue;
        }
        sockaddr_storage local{};
        sockaddr_storage peer{};
        socklen_t localSize = sizeof local;
        socklen_t peerSize = sizeof peer;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
            getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0)
            continue;
        if (PortOf(local) == localPort && PortOf(peer) == remotePort) {
            socket_ = fd;
            return;
        }
    }
}

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
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
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
    Drop();
    return sent;
}

void RawConnection::Drop() {
    if (socket_ >= 0)
        ::shutdown(socket_, SHUT_RDWR);
    socket_ = -1;
}

} // namespace k7::plant
