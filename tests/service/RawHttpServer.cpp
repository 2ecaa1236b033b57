#include "RawHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace k7::test {

RawHttpServer::RawHttpServer(std::string reply) : reply_(std::move(reply)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::listen(listener_, 8) == 0 &&
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

RawHttpServer::~RawHttpServer() {
    // Shutting the listener down makes the blocked accept() return.
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
}

QString RawHttpServer::BaseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1/").arg(port_);
}

std::vector<std::string> RawHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void RawHttpServer::Serve() {
    for (;;) {
        const int connection = ::accept(listener_, nullptr, nullptr);
        if (connection < 0)
            return;
        std::string request = ReadRequest(connection);
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(std::move(request));
        }
        ::send(connection, reply_.data(), reply_.size(), MSG_NOSIGNAL);
        ::shutdown(connection, SHUT_WR);
        ::close(connection);
    }
}

std::string RawHttpServer::ReadRequest(int connection) {
    std::string received;
    char buffer[4096];
    while (received.find("\r\n\r\n") == std::string::npos) {
        const ssize_t count = ::recv(connection, buffer, sizeof buffer, 0);
        if (count <= 0)
            break;
        received.append(buffer, static_cast<size_t>(count));
    }
    return received;
}

} // namespace k7::test
