#include "support/TestHttpServer.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>

namespace k7::test {

namespace {

constexpr auto kLongestGateWait = std::chrono::seconds(5);

int PortOf(const sockaddr_storage& address) {
    return address.ss_family == AF_INET ? ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port) : -1;
}

// Every connected socket of this process whose local port is `localPort`, with its peer's port.
// cpp-httplib hides the socket under a request; this is how a reply gets around it.
template <class Action> void ForEachConnection(int localPort, Action action) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const int fd = std::atoi(entry.path().filename().c_str());
        sockaddr_storage local{}, peer{};
        socklen_t localSize = sizeof local, peerSize = sizeof peer;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) == 0 &&
            getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0 && PortOf(local) == localPort)
            action(fd, PortOf(peer));
    }
}

// Writes `bytes` on the connection under `request` and shuts it down; what cpp-httplib writes
// afterwards goes nowhere, and it then closes the connection.
void AnswerRaw(const httplib::Request& request, const std::string& bytes) {
    ForEachConnection(request.local_port, [&](int fd, int peerPort) {
        if (peerPort != request.remote_port)
            return;
        for (size_t sent = 0; sent < bytes.size();) {
            const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<size_t>(n);
        }
        ::shutdown(fd, SHUT_RDWR);
    });
}

} // namespace

void Gate::Open() {
    {
        std::lock_guard lock(mutex_);
        open_ = true;
    }
    opened_.notify_all();
}

void Gate::Pass() {
    std::unique_lock lock(mutex_);
    ++arrived_;
    opened_.wait_for(lock, kLongestGateWait, [this] { return open_; });
    ++departed_;
}

int Gate::Arrived() const {
    std::lock_guard lock(mutex_);
    return arrived_;
}

int Gate::Departed() const {
    std::lock_guard lock(mutex_);
    return departed_;
}

TestHttpServer::TestHttpServer() : server_(std::make_unique<httplib::Server>()) {
    // Writing to a connection the client has closed must not end the test program.
    std::signal(SIGPIPE, SIG_IGN);
    httplib::Server& server = *server_;
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(100000);
    // Every kept-alive connection holds a worker; leave room for the tests' parked requests.
    server.new_task_queue = [] { return new httplib::ThreadPool(32); };
    // Every request is answered here, before cpp-httplib would read (or wait for) a body: the
    // clients under test send none, which the headers recorded with each request show.
    server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        Handle(request, response);
        return httplib::Server::HandlerResponse::Handled;
    });

    port_ = server.bind_to_any_port("127.0.0.1");
    listener_ = std::thread([&server] { server.listen_after_bind(); });
    // stop() only acts on a running accept loop.
    while (port_ > 0 && !server.is_running())
        std::this_thread::yield();
}

TestHttpServer::~TestHttpServer() {
    gate_.Open();
    server_->stop();
    ForEachConnection(port_, [](int fd, int) { ::shutdown(fd, SHUT_RDWR); });
    if (listener_.joinable())
        listener_.join();
}

QString TestHttpServer::BaseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1/").arg(port_);
}

void TestHttpServer::Script(const std::string& path, ScriptedReply reply) {
    std::lock_guard lock(mutex_);
    scripts_[path] = std::move(reply);
}

std::vector<RecordedRequest> TestHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void TestHttpServer::Handle(const httplib::Request& request, httplib::Response& response) {
    RecordedRequest recorded{request.method, request.target, {}, request.remote_port};
    for (const auto& [name, value] : request.headers) // less those cpp-httplib adds for handlers
        if (name != "REMOTE_ADDR" && name != "REMOTE_PORT" && name != "LOCAL_ADDR" && name != "LOCAL_PORT")
            recorded.headers.emplace(name, value);
    std::string path = request.target.substr(0, request.target.find_first_of("?#"));
    path.erase(0, path.find_first_not_of('/'));

    ScriptedReply reply{.body = "{}"}; // unless scripted
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(std::move(recorded));
        auto found = scripts_.find(path);
        if (found == scripts_.end())
            found = scripts_.find("*");
        if (found != scripts_.end())
            reply = found->second;
    }
    if (reply.raw) {
        AnswerRaw(request, *reply.raw);
        return;
    }
    if (reply.gated)
        gate_.Pass();
    if (!reply.reason.empty()) {
        // cpp-httplib writes only the standard phrases.
        std::string raw = "HTTP/1.1 " + std::to_string(reply.status) + ' ' + reply.reason + "\r\n";
        if (!reply.location.empty())
            raw += "Location: " + reply.location + "\r\n";
        raw += "Content-Type: application/json\r\nContent-Length: " + std::to_string(reply.body.size()) +
               "\r\nConnection: close\r\n\r\n" + reply.body;
        AnswerRaw(request, raw);
        return;
    }
    response.status = reply.status;
    if (!reply.location.empty())
        response.set_header("Location", reply.location);
    if (!reply.body.empty())
        response.set_content(reply.body, "application/json");
}

int UnusedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

} // namespace k7::test
