#pragma once

#include "support/PlantChecks.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace k7::plant::test {

// One HTTP exchange with the plant as a test sees it.
struct Answer {
    bool Received = false; // false: the connection ended without a reply
    int Status = 0;
    std::string Reason;
    std::string Body;

    nlohmann::json Json() const { return nlohmann::json::parse(Body); }
};

// Sends `method` `target` (path and query exactly as given, nothing escaped, no body) to the plant
// on 127.0.0.1:`port` through a client that keeps its connection between calls.
class TestClient {
public:
    // Five seconds bound connecting and each wait for data: a reply that takes longer is none.
    explicit TestClient(int port) : client_("127.0.0.1", port) {
        client_.set_connection_timeout(5);
        client_.set_read_timeout(5);
        client_.set_url_encode(false);
        client_.set_keep_alive(true);
        client_.set_tcp_nodelay(true);
    }

    Answer Send(const std::string& method, const std::string& target, const httplib::Headers& headers = {}) {
        httplib::Result result = method == "POST"     ? client_.Post(target, headers)
                                 : method == "DELETE" ? client_.Delete(target, headers)
                                                      : client_.Get(target, headers);
        if (!result)
            return {};
        return {true, result->status, result->reason, result->body};
    }

private:
    httplib::Client client_;
};

// A raw connection to the plant on 127.0.0.1 that has sent `bytes`; -1 when it cannot be opened.
// Receiving from it gives up after 5 s.
inline int OpenConnection(int port, const std::string& bytes) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const timeval patience{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size())) {
        close(fd);
        return -1;
    }
    return fd;
}

// The status line of what the plant sends on `fd` until it closes the connection; then closes `fd`.
inline std::string StatusLineOf(int fd) {
    std::string reply;
    char buffer[4096];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
        reply.append(buffer, static_cast<size_t>(n));
    close(fd);
    return reply.substr(0, reply.find("\r\n"));
}

} // namespace k7::plant::test
