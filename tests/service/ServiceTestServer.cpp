#include "ServiceTestServer.h"

#include "service/HttpRequest.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace k7::test {

namespace {

// Registered before main runs; gtest owns and deletes it.
ServiceTestServer* const kServer =
    static_cast<ServiceTestServer*>(::testing::AddGlobalTestEnvironment(new ServiceTestServer));

constexpr auto kLongestGateWait = std::chrono::seconds(5);

} // namespace

void Gate::Close() {
    std::lock_guard lock(mutex_);
    open_ = false;
}

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

ServiceTestServer& ServiceTestServer::Instance() {
    return *kServer;
}

void ServiceTestServer::SetUp() {
    server_ = std::make_unique<httplib::Server>();
    httplib::Server& server = *server_;
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(1000);
    // Every kept-alive connection holds a worker; leave room for the tests' parked requests.
    server.new_task_queue = [] { return new httplib::ThreadPool(16); };

    server.Get("/crlf", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("{\"status\":0,\r\n\"data\":\"line1\r\nline2\",\n\"message\":\"kept\\nescape\"}\r\n",
                        "application/json");
    });
    server.Get(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        res.status = std::stoi(req.matches[1]);
        // A 204 must not carry a body (cpp-httplib would send it, spoiling the kept-alive connection).
        if (res.status != 204)
            res.set_content("{\"status\":0,\"data\":\"must not be read\"}", "application/json");
    });
    const auto describeMethod = [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(req.method + " content-type=" + req.get_header_value("Content-Type") +
                            " body=" + std::to_string(req.body.size()),
                        "text/plain");
    };
    server.Get("/method", describeMethod);
    server.Post("/method", describeMethod);
    server.Patch("/method", describeMethod);
    server.Delete("/method", describeMethod);
    server.Get("/peer", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(std::to_string(req.remote_port), "text/plain");
    });
    server.Get("/bye", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Connection", "close");
    });
    server.Get("/gated", [this](const httplib::Request&, httplib::Response& res) {
        gate_.Pass();
        res.set_content("late", "text/plain");
    });

    port_ = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port_, 0);
    listener_ = std::thread([&server] { server.listen_after_bind(); });
}

void ServiceTestServer::TearDown() {
    gate_.Open();
    // The connection this thread's requests keep alive would hold a server worker (and so stop())
    // until the server's keep-alive time-out; a reply with "Connection: close" ends it now.
    HttpRequest bye;
    bye.Open(QStringLiteral("GET"), BaseUrl() + QStringLiteral("bye"), false);
    bye.Send();
    server_->stop();
    if (listener_.joinable())
        listener_.join();
    server_.reset();
}

QString ServiceTestServer::BaseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1/").arg(port_);
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
