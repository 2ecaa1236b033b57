#pragma once

#include <QString>

#include <httplib.h>

#include <mutex>
#include <string>
#include <thread>

// A one-answer HTTP server on 127.0.0.1 for loader tests: every GET gets the body set last, and
// the request line is kept so a test can check what the control asked for.
class ReplyServer {
public:
    ReplyServer() {
        server_.set_tcp_nodelay(true);
        // The REST client keeps connections for reuse; a server thread waiting on such a
        // connection would hold up stop() for the whole keep-alive time.
        server_.set_keep_alive_max_count(1);
        server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(mutex_);
            ++requests_;
            lastTarget_ = request.target;
            response.status = status_;
            response.set_content(body_, "application/json");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        // The socket already listens after the bind; connections wait in its backlog until the
        // accept loop runs, so there is nothing to wait for here.
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~ReplyServer() {
        // stop() only acts on a running accept loop; make sure the thread got that far.
        while (!server_.is_running())
            std::this_thread::yield();
        server_.stop();
        thread_.join();
    }

    QString BaseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

    void Reply(const std::string& body, int status = 200) {
        std::lock_guard lock(mutex_);
        body_ = body;
        status_ = status;
    }
    int Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    std::string LastTarget() const {
        std::lock_guard lock(mutex_);
        return lastTarget_;
    }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::string body_ = "{}";
    int status_ = 200;
    int requests_ = 0;
    std::string lastTarget_;
};
