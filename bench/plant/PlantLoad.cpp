#include "PlantLoad.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace k7::bench {

namespace {

using Clock = std::chrono::steady_clock;

struct Client {
    int Socket = -1;
    bool Connected = false;
    size_t Left = 0; // requests not yet answered or failed
    size_t Next = 0; // index into the mix
    std::string Out; // the request being sent
    size_t Sent = 0;
    std::string In; // what arrived of the reply
    Clock::time_point Since;
};

// The length of the reply at the start of `in` once it has arrived in full (0 until then), and its status.
size_t CompleteReply(const std::string& in, int& status) {
    const size_t headEnd = in.find("\r\n\r\n");
    if (headEnd == std::string::npos)
        return 0;
    status = in.size() > 12 ? std::atoi(in.c_str() + 9) : 0;
    size_t length = 0;
    for (size_t line = in.find("\r\n"); line < headEnd; line = in.find("\r\n", line + 2)) {
        static constexpr char Name[] = "Content-Length:";
        if (strncasecmp(in.c_str() + line + 2, Name, sizeof Name - 1) == 0)
            length = std::strtoull(in.c_str() + line + 2 + sizeof Name - 1, nullptr, 10);
    }
    const size_t whole = headEnd + 4 + length;
    return in.size() >= whole ? whole : 0;
}

class Load {
public:
    Load(int port, const std::vector<std::string>& mix) : port_(port), mix_(mix), epoll_(epoll_create1(0)) {}
    ~Load() { close(epoll_); }

    LoadResult Run(size_t clients, size_t requestsEach, std::chrono::seconds patience) {
        clients_.resize(clients);
        for (size_t i = 0; i < clients; ++i) {
            clients_[i].Left = requestsEach;
            clients_[i].Next = i;
            Connect(i);
        }
        const Clock::time_point deadline = Clock::now() + patience;
        epoll_event events[256];
        while (open_ > 0 && Clock::now() < deadline) {
            const int ready = epoll_wait(epoll_, events, 256, 100);
            for (int e = 0; e < ready; ++e)
                Serve(events[e].data.u64, events[e].events);
        }
        for (size_t i = 0; i < clients_.size(); ++i)
            if (clients_[i].Socket >= 0)
                Fail(i);
        return std::move(result_);
    }

private:
    void Connect(size_t i) {
        Client& client = clients_[i];
        client.Socket = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        client.Since = Clock::now();
        if (client.Socket < 0) {
            result_.Failed += client.Left;
            return;
        }
        ++open_;
        const int on = 1;
        setsockopt(client.Socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port_));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(client.Socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
            errno != EINPROGRESS) {
            Fail(i);
            return;
        }
        epoll_event event{EPOLLOUT, {.u64 = i}};
        epoll_ctl(epoll_, EPOLL_CTL_ADD, client.Socket, &event);
        Queue(client);
    }

    void Queue(Client& client) {
        client.Out = "GET " + mix_[client.Next++ % mix_.size()] + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        client.Sent = 0;
    }

    void Watch(Client& client, uint32_t events) {
        epoll_event event{events, {.u64 = static_cast<uint64_t>(&client - clients_.data())}};
        epoll_ctl(epoll_, EPOLL_CTL_MOD, client.Socket, &event);
    }

    void Serve(size_t i, uint32_t events) {
        Client& client = clients_[i];
        if (client.Socket < 0)
            return;
        if (!client.Connected && (events & (EPOLLOUT | EPOLLERR | EPOLLHUP))) {
            int error = 0;
            socklen_t size = sizeof error;
            getsockopt(client.Socket, SOL_SOCKET, SO_ERROR, &error, &size);
            if (error != 0) {
                Fail(i);
                return;
            }
            client.Connected = true;
        }
        if (client.Sent < client.Out.size()) {
            const ssize_t n = send(client.Socket, client.Out.data() + client.Sent,
                                   client.Out.size() - client.Sent, MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN) {
                Fail(i);
                return;
            }
            client.Sent += static_cast<size_t>(std::max<ssize_t>(n, 0));
            Watch(client, client.Sent < client.Out.size() ? EPOLLOUT : EPOLLIN);
            return;
        }
        char buffer[65536];
        const ssize_t n = recv(client.Socket, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN)) {
            Fail(i);
            return;
        }
        if (n < 0)
            return;
        client.In.append(buffer, static_cast<size_t>(n));
        int status = 0;
        const size_t whole = CompleteReply(client.In, status);
        if (whole == 0)
            return;
        const Clock::time_point now = Clock::now();
        if (status == 200) {
            ++result_.Answered;
            result_.LatencyUs.push_back(
                std::chrono::duration<double, std::micro>(now - client.Since).count());
        } else {
            ++result_.Failed;
        }
        client.In.erase(0, whole);
        if (--client.Left == 0) {
            Close(client);
            return;
        }
        client.Since = now;
        Queue(client);
        Watch(client, EPOLLOUT);
    }

    void Fail(size_t i) {
        result_.Failed += clients_[i].Left;
        clients_[i].Left = 0;
        Close(clients_[i]);
    }

    void Close(Client& client) {
        if (client.Socket < 0)
            return;
        const linger reset{1, 0};
        setsockopt(client.Socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        close(client.Socket);
        client.Socket = -1;
        --open_;
    }

    int port_;
    const std::vector<std::string>& mix_;
    int epoll_;
    std::vector<Client> clients_;
    size_t open_ = 0;
    LoadResult result_;
};

} // namespace

double LoadResult::LatencyQuantileUs(double share) const {
    if (LatencyUs.empty())
        return 0;
    std::vector<double> sorted = LatencyUs;
    const auto at = sorted.begin() + static_cast<std::ptrdiff_t>(share * double(sorted.size() - 1));
    std::nth_element(sorted.begin(), at, sorted.end());
    return *at;
}

LoadResult RunLoad(int port, size_t clients, size_t requestsEach, const std::vector<std::string>& mix,
                   std::chrono::seconds patience) {
    return Load(port, mix).Run(clients, requestsEach, patience);
}

} // namespace k7::bench
