#include "OldPlantServer.h"

#include "ConnectionStream.h"

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <deque>
#include <list>
#include <mutex>
#include <optional>
#include <thread>

namespace k7::oldplant {

namespace {

// Connections waiting to be accepted; cpp-httplib's own backlog of 5 would make a burst of
// connects wait for the kernel to retry them.
constexpr int ListenBacklog = 1024;
constexpr size_t KeepAliveRequests = 100000;

// A thread per connection up to a cap; past it connections queue and the table makes room for
// them. Finished threads are joined on the next enqueue and at shutdown, so none outlives the server.
class ThreadPerConnection final : public httplib::TaskQueue {
public:
    ThreadPerConnection(ConnectionTable& connections, size_t most) : connections_(connections), most_(most) {}

    void enqueue(std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        ReapFinished();
        if (workers_.size() >= most_) {
            waiting_.push_back(std::move(task));
            connections_.Queue();
            return;
        }
        auto& worker = workers_.emplace_back(std::make_unique<Worker>());
        worker->thread = std::thread(&ThreadPerConnection::Work, this, worker.get(), std::move(task));
    }

    void shutdown() override {
        std::unique_lock lock(mutex_);
        while (!workers_.empty()) {
            std::unique_ptr<Worker> worker = std::move(workers_.back());
            workers_.pop_back();
            lock.unlock();
            worker->thread.join();
            lock.lock();
        }
    }

private:
    struct Worker {
        std::thread thread;
        bool finished = false; // under mutex_
    };

    void Work(Worker* self, std::function<void()> task) {
        for (;;) {
            const ConnectionTable::Id id = connections_.Open();
            task();
            std::lock_guard lock(mutex_);
            connections_.Finish(id, !waiting_.empty());
            if (waiting_.empty()) {
                self->finished = true;
                return;
            }
            task = std::move(waiting_.front());
            waiting_.pop_front();
        }
    }

    void ReapFinished() {
        for (auto worker = workers_.begin(); worker != workers_.end();) {
            if ((*worker)->finished) {
                (*worker)->thread.join(); // it only has to leave Work()
                worker = workers_.erase(worker);
            } else {
                ++worker;
            }
        }
    }

    ConnectionTable& connections_;
    const size_t most_;
    std::mutex mutex_;
    std::list<std::unique_ptr<Worker>> workers_;
    std::deque<std::function<void()>> waiting_;
};

// Half the descriptors the process may open: the rest stays for whatever else it does (a host's
// own connections and files, the clients of a test). Past the limit cpp-httplib could not accept
// anyone, not even to shed an idle connection for them.
size_t ConnectionsTheProcessCanOpen() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return SIZE_MAX;
    return std::max<size_t>(1, static_cast<size_t>(limit.rlim_cur / 2));
}

} // namespace

OldPlantServer::OldPlantServer(const OldServerLimits& limits, Handler handler) : limits_(limits) {
    limits_.MostConnections = std::clamp<size_t>(limits_.MostConnections, 1, ConnectionsTheProcessCanOpen());
    new_task_queue = [this] { return new ThreadPerConnection(connections_, limits_.MostConnections); };
    set_tcp_nodelay(true);
    set_keep_alive_max_count(KeepAliveRequests);
    set_keep_alive_timeout(
        std::max<time_t>(1, std::chrono::ceil<std::chrono::seconds>(limits_.IdleTimeout).count()));
    set_socket_options([this](socket_t socket) {
        const int on = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        listening_ = socket;
    });
    Get(".*", std::move(handler));
}

int OldPlantServer::Bind(int port) {
    const int bound =
        port == 0 ? bind_to_any_port("127.0.0.1") : (bind_to_port("127.0.0.1", port) ? port : -1);
    // Listening again only widens the backlog of the socket the server listens on.
    if (bound > 0 && listening_ != INVALID_SOCKET)
        ::listen(listening_, ListenBacklog);
    return bound;
}

void OldPlantServer::Shutdown() {
    stop();
    connections_.ShedAll();
}

// One connection, from accept to close, in place of cpp-httplib's loop: ours knows when a request
// is being handled (for the table) and gives requests a deadline as a whole.
bool OldPlantServer::process_and_close_socket(socket_t socket) {
    using Clock = std::chrono::steady_clock;
    const ConnectionTable::Id id = ConnectionTable::Current();
    ConnectionStream stream(socket, std::chrono::seconds(write_timeout_sec_));
    bool answered = false;
    if (connections_.Attach(id, socket)) {
        for (size_t left = keep_alive_max_count_; left > 0 && svr_sock_ != INVALID_SOCKET; --left) {
            if (!connections_.SetIdle(id) || !stream.WaitForInput(Clock::now() + limits_.IdleTimeout))
                break;
            stream.SetReadDeadline(Clock::now() + limits_.RequestTimeout);
            bool clientCloses = false;
            answered = process_request(stream, left == 1, clientCloses,
                                       [&](httplib::Request&) { connections_.SetBusy(id); });
            if (!answered || clientCloses || stream.ReadFailed())
                break;
        }
    }
    connections_.Release(id);
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
    return answered;
}

} // namespace k7::oldplant
