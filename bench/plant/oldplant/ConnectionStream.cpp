#include "ConnectionStream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace k7::oldplant {

namespace {

using Clock = std::chrono::steady_clock;

void AddressOf(const sockaddr_storage& address, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}

} // namespace

ConnectionStream::ConnectionStream(int socket, std::chrono::milliseconds writeTimeout)
    : socket_(socket), writeTimeout_(writeTimeout) {}

bool ConnectionStream::Poll(short events, Deadline deadline) const {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd entry{socket_, events, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(std::clamp<decltype(left)>(left, 0, 60000)));
        if (ready > 0)
            return true; // also on an error or hang-up: the next read or write reports it
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready == 0 && left <= 60000)
            return false;
    }
}

bool ConnectionStream::WaitForInput(Deadline deadline) {
    return begin_ < end_ || Poll(POLLIN, deadline);
}

void ConnectionStream::SetReadDeadline(Deadline deadline) {
    readDeadline_ = deadline;
}

ssize_t ConnectionStream::Fail() {
    readFailed_ = true;
    return -1;
}

bool ConnectionStream::is_readable() const {
    return begin_ < end_ || Poll(POLLIN, readDeadline_);
}

bool ConnectionStream::is_writable() const {
    return Poll(POLLOUT, Clock::now() + writeTimeout_);
}

ssize_t ConnectionStream::read(char* ptr, size_t size) {
    if (begin_ == end_) {
        if (!Poll(POLLIN, readDeadline_))
            return Fail();
        ssize_t n;
        do {
            n = ::recv(socket_, buffer_, sizeof buffer_, 0);
        } while (n < 0 && errno == EINTR);
        if (n <= 0)
            return Fail();
        begin_ = 0;
        end_ = static_cast<size_t>(n);
    }
    const size_t taken = std::min(size, end_ - begin_);
    std::memcpy(ptr, buffer_ + begin_, taken);
    begin_ += taken;
    return static_cast<ssize_t>(taken);
}

ssize_t ConnectionStream::write(const char* ptr, size_t size) {
    const Deadline deadline = Clock::now() + writeTimeout_;
    size_t sent = 0;
    while (sent < size) {
        if (!Poll(POLLOUT, deadline))
            return -1;
        const ssize_t n = ::send(socket_, ptr + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n < 0)
            return -1;
        sent += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(size);
}

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    if (getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        AddressOf(address, ip, port);
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    if (getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        AddressOf(address, ip, port);
}

} // namespace k7::oldplant
