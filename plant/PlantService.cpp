#include "PlantService.h"

#include "DrawingService.h"
#include "PlantModel.h"
#include "PlantReplies.h"
#include "RawConnection.h"

#include "core/Clock.h"

#include <httplib.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <list>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace k7::plant {

namespace {
// cpp-httplib serves a connection on one task for as long as the connection lives, idle or not. With
// a fixed pool, a few dozen idle sockets (another client's kept-alive or half-open connections)
// would leave a terminal's request waiting in the queue for their time-outs. So every connection
// gets a thread of its own, up to this many at once; only past that do connections queue.
constexpr size_t MostConnectionThreads = 1024;
// Connections waiting to be accepted; cpp-httplib's own backlog of 5 would make a burst of
// connects wait for the kernel to retry them.
constexpr int ListenBacklog = 1024;
constexpr size_t KeepAliveRequests = 100000;
constexpr const char* JsonType = "application/json; charset=utf-8";

// A task queue with a thread per task. Finished threads are joined on the next enqueue and at
// shutdown, so none outlives the server.
class ThreadPerConnection final : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        ReapFinished();
        if (workers_.size() >= MostConnectionThreads) {
            waiting_.push_back(std::move(task));
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
            task();
            std::lock_guard lock(mutex_);
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

    std::mutex mutex_;
    std::list<std::unique_ptr<Worker>> workers_;
    std::deque<std::function<void()>> waiting_;
};
} // namespace

struct PlantService::Impl {
    explicit Impl(uint64_t seed) : model(seed, Clock::Now()), replies(model), drawing(model) {}

    void Handle(const httplib::Request& request, httplib::Response& response);
    std::optional<Fault> CountAndFindFault(const QString& path);
    // False when the service stops during the wait.
    bool Wait(int ms);
    PlantReply Compute(const httplib::Request& request);
    void Send(const PlantReply& reply, const httplib::Request& request, httplib::Response& response);

    std::mutex modelMutex;
    PlantModel model;
    PlantReplies replies;
    DrawingService drawing;

    std::unique_ptr<httplib::Server> server;
    std::thread listener;
    std::atomic<bool> listenerDone = false;
    int port = 0;

    mutable std::mutex stateMutex;
    std::condition_variable stopSignal;
    bool stopping = false;
    std::map<QString, Fault> faults;
    std::map<QString, int> counts;
    int total = 0;
};

std::optional<Fault> PlantService::Impl::CountAndFindFault(const QString& path) {
    std::lock_guard lock(stateMutex);
    ++counts[path];
    ++total;
    auto fault = faults.find(path);
    if (fault == faults.end())
        fault = faults.find("*");
    if (fault == faults.end())
        return std::nullopt;
    return fault->second;
}

bool PlantService::Impl::Wait(int ms) {
    std::unique_lock lock(stateMutex);
    return !stopSignal.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping; });
}

PlantReply PlantService::Impl::Compute(const httplib::Request& request) {
    std::lock_guard lock(modelMutex);
    if (DrawingService::Serves(PlantReplies::NormalisePath(QString::fromStdString(request.path))))
        return drawing.Answer(QString::fromStdString(request.method), QByteArray::fromStdString(request.target),
                              Clock::Now());
    return replies.Answer(QString::fromStdString(request.method), QByteArray::fromStdString(request.target),
                          Clock::Now());
}

void PlantService::Impl::Send(const PlantReply& reply, const httplib::Request& request,
                              httplib::Response& response) {
    response.status = reply.Status;
    if (!reply.Reason.isEmpty()) {
        RawConnection connection(request.local_port, request.remote_port);
        if (connection.Answer(reply.Status, RawConnection::StatusLineText(reply.Reason), reply.Body))
            return; // what the server writes after this goes nowhere
        std::fprintf(stderr,
                     "k7 plant: cannot reach the connection from port %d; sending the standard reason\n",
                     request.remote_port);
    }
    response.set_content(reply.Body.toStdString(), JsonType);
}

void PlantService::Impl::Handle(const httplib::Request& request, httplib::Response& response) {
    try {
        const QString path = PlantReplies::NormalisePath(QString::fromStdString(request.path));
        const std::optional<Fault> fault = CountAndFindFault(path);
        if (!fault) {
            Send(Compute(request), request, response);
            return;
        }
        if (fault->DelayMs > 0 && !Wait(fault->DelayMs)) {
            RawConnection(request.local_port, request.remote_port).Drop();
            return;
        }
        if (fault->DropConnection) {
            response.status = 500;
            RawConnection(request.local_port, request.remote_port).Drop();
            return;
        }
        PlantReply reply;
        if (fault->Status != 0 || fault->RawBody) {
            // The fault answers instead of the plant: nothing is booked or justified.
            reply.Status = fault->Status != 0 ? fault->Status : 200;
            reply.Body = fault->RawBody
                             ? fault->RawBody->toUtf8()
                             : PlantReplies::FailureBody(reply.Status, "Injected fault on " + path);
        } else {
            reply = Compute(request);
        }
        if (!fault->Reason.isEmpty())
            reply.Reason = fault->Reason;
        Send(reply, request, response);
    } catch (const std::exception& error) {
        response.status = 500;
        response.set_content(PlantReplies::FailureBody(500, QString::fromUtf8(error.what())).toStdString(),
                             JsonType);
    }
}

PlantService::PlantService() : PlantService(PlantModel::DefaultSeed) {}

PlantService::PlantService(uint64_t seed) : d(std::make_unique<Impl>(seed)) {}

PlantService::~PlantService() {
    Stop();
}

int PlantService::Start(int port) {
    if (d->server)
        throw std::logic_error("the plant is already serving on port " + std::to_string(d->port));
    // A client that hangs up early must not kill the process when the server writes to it.
    std::signal(SIGPIPE, SIG_IGN);

    auto server = std::make_unique<httplib::Server>();
    server->new_task_queue = [] { return new ThreadPerConnection; };
    server->set_tcp_nodelay(true);
    // cpp-httplib also sets SO_REUSEPORT, which would let a second plant share a port silently;
    // only the restart-after-TIME_WAIT part is wanted.
    socket_t listening = INVALID_SOCKET;
    server->set_socket_options([&listening](socket_t socket) {
        const int on = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        listening = socket;
    });
    server->set_keep_alive_max_count(KeepAliveRequests);
    Impl* impl = d.get();
    const auto handler = [impl](const httplib::Request& request, httplib::Response& response) {
        impl->Handle(request, response);
    };
    // The controls send POST and PATCH without a body, and a client need not say "Content-Length: 0"
    // for that. cpp-httplib would then read the (absent) body until its read time-out, so bodiless
    // requests are answered before it tries; requests that do carry a body go the normal way and
    // have it read (and ignored) first, which keeps their connection usable.
    server->set_pre_routing_handler([impl](const httplib::Request& request, httplib::Response& response) {
        const bool hasBody =
            request.has_header("Transfer-Encoding") ||
            (request.has_header("Content-Length") && request.get_header_value("Content-Length") != "0");
        if (hasBody)
            return httplib::Server::HandlerResponse::Unhandled;
        impl->Handle(request, response);
        return httplib::Server::HandlerResponse::Handled;
    });
    server->Get(".*", handler);
    server->Post(".*", handler);
    server->Patch(".*", handler);
    server->Put(".*", handler);
    server->Delete(".*", handler);
    server->Options(".*", handler);

    const int bound = port == 0 ? server->bind_to_any_port("127.0.0.1")
                                : (server->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0)
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port) +
                                 " (is the port in use?)");
    // Listening again only widens the backlog of the socket the server listens on.
    if (listening != INVALID_SOCKET)
        ::listen(listening, ListenBacklog);
    {
        std::lock_guard lock(d->stateMutex);
        d->stopping = false;
    }
    d->server = std::move(server);
    d->port = bound;
    d->listenerDone = false;
    d->listener = std::thread([impl] {
        impl->server->listen_after_bind();
        impl->listenerDone = true;
    });
    // The server only notices stop() once its accept loop runs; wait for that, so a Stop right
    // after Start cannot leave the loop waiting for a connection that never comes.
    while (!d->server->is_running() && !d->listenerDone)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    return bound;
}

void PlantService::Stop() {
    if (!d->server)
        return;
    {
        std::lock_guard lock(d->stateMutex);
        d->stopping = true;
    }
    d->stopSignal.notify_all();
    d->server->stop();
    RawConnection::DropAll(d->port);
    if (d->listener.joinable())
        d->listener.join();
    d->server.reset();
    d->port = 0;
}

int PlantService::Port() const {
    return d->port;
}

QString PlantService::BaseUrl() const {
    return QString("http://127.0.0.1:%1/").arg(d->port);
}

void PlantService::InjectFault(const QString& path, const Fault& fault) {
    std::lock_guard lock(d->stateMutex);
    d->faults[PlantReplies::NormalisePath(path)] = fault;
}

void PlantService::ClearFaults() {
    std::lock_guard lock(d->stateMutex);
    d->faults.clear();
}

int PlantService::RequestCount(const QString& path) const {
    std::lock_guard lock(d->stateMutex);
    const auto count = d->counts.find(PlantReplies::NormalisePath(path));
    return count == d->counts.end() ? 0 : count->second;
}

int PlantService::TotalRequests() const {
    std::lock_guard lock(d->stateMutex);
    return d->total;
}

void PlantService::ResetCounts() {
    std::lock_guard lock(d->stateMutex);
    d->counts.clear();
    d->total = 0;
}

void PlantService::WithModel(const std::function<void(PlantModel&)>& action) {
    std::lock_guard lock(d->modelMutex);
    action(d->model);
}

} // namespace k7::plant
