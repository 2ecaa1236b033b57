#include "support/CountingRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <stdexcept>
#include <vector>

namespace k7::test {

namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

// Writes all of `data`; false when the peer is gone.
bool WriteAll(int socket, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t written = ::send(socket, data, static_cast<size_t>(size), MSG_NOSIGNAL);
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

CountingRelay::CountingRelay(int serverPort) : serverPort_(serverPort) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 64) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe(stopPipe_) != 0)
        throw std::runtime_error("the relay cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread(&CountingRelay::Relay, this);
}

CountingRelay::~CountingRelay() {
    const char stop = 0;
    (void)!::write(stopPipe_[1], &stop, 1);
    thread_.join();
    ::close(listener_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

QString CountingRelay::BaseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1/").arg(port_);
}

void CountingRelay::Relay() {
    std::map<int, int> peers; // each relayed socket to its other end
    const auto closePair = [&](int socket) {
        const int other = peers[socket];
        peers.erase(socket);
        peers.erase(other);
        ::close(socket);
        ::close(other);
        --open_;
    };
    for (;;) {
        std::vector<pollfd> watched{{stopPipe_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
        for (const auto& [socket, other] : peers)
            watched.push_back({socket, POLLIN, 0});
        if (::poll(watched.data(), watched.size(), -1) < 0)
            continue;
        if (watched[0].revents != 0)
            break;
        if (watched[1].revents & POLLIN) {
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                ++accepted_;
                const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                const sockaddr_in address = Loopback(serverPort_);
                if (server >= 0 &&
                    ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
                    peers[client] = server;
                    peers[server] = client;
                    ++open_;
                } else {
                    ::close(client);
                    if (server >= 0)
                        ::close(server);
                }
            }
        }
        for (size_t i = 2; i < watched.size(); ++i) {
            if (watched[i].revents == 0 || !peers.contains(watched[i].fd))
                continue;
            char buffer[16384];
            const ssize_t got = ::recv(watched[i].fd, buffer, sizeof buffer, 0);
            if (got <= 0 || !WriteAll(peers[watched[i].fd], buffer, got))
                closePair(watched[i].fd);
        }
    }
    for (auto it = peers.begin(); it != peers.end(); it = peers.begin())
        closePair(it->first);
}

} // namespace k7::test
