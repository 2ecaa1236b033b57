#include "PlantService.h"

#include "DrawingService.h"
#include "PlantModel.h"
#include "PlantReplies.h"
#include "PlantServer.h"
#include "PlantTime.h"
#include "RawConnection.h"

#include "core/Clock.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace k7::plant {

namespace {
constexpr const char* JsonType = "application/json; charset=utf-8";
// The plant's own inspection path: what a test or a user asks the simulator, not the service.
const QString WritesPath = "simulator/writes";
} // namespace

struct PlantService::Impl {
    explicit Impl(uint64_t seed) : model(seed, Clock::Now()), replies(model), drawing(model) {}

    void Handle(const httplib::Request& request, httplib::Response& response);
    std::optional<Fault> CountAndFindFault(const QString& path);
    // False when the service stops during the wait.
    bool Wait(int ms);
    // The plant's own answer: computed, or for a write with a key already booked, replayed.
    PlantReply Carry(const httplib::Request& request, const QString& path);
    PlantReply Compute(const httplib::Request& request, Date now);
    void Send(const PlantReply& reply, const httplib::Request& request, httplib::Response& response);

    std::mutex modelMutex;
    PlantModel model;
    PlantReplies replies;
    DrawingService drawing;
    WriteBook writes; // under modelMutex

    ServerLimits limits;
    std::unique_ptr<PlantServer> server;
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

PlantReply PlantService::Impl::Compute(const httplib::Request& request, Date now) {
    const QString method = QString::fromStdString(request.method);
    const QByteArray target = QByteArray::fromStdString(request.target);
    if (DrawingService::Serves(PlantReplies::NormalisePath(QString::fromStdString(request.path))))
        return drawing.Answer(method, target, now);
    return replies.Answer(method, target, now);
}

PlantReply PlantService::Impl::Carry(const httplib::Request& request, const QString& path) {
    std::lock_guard lock(modelMutex);
    const Date now = Clock::Now();
    const QString method = QString::fromStdString(request.method);
    if (!WriteBook::IsWrite(method))
        return Compute(request, now);
    const QString key = QString::fromStdString(request.get_header_value("Idempotency-Key"));
    if (std::optional<PlantReply> first = writes.Replay(key))
        return *first;
    const PlantReply reply = Compute(request, now);
    const size_t mark = request.target.find('?');
    const QString query =
        mark == std::string::npos ? QString() : QString::fromStdString(request.target.substr(mark + 1));
    writes.Book(
        BookedWrite{method, path, query, key, reply.Status, PlantTime::Stamp(PlantTime::Seconds(now))},
        reply);
    return reply;
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
        if (path == WritesPath) {
            std::lock_guard lock(modelMutex);
            Send(request.method == "GET" || request.method == "HEAD"
                     ? writes.Listing()
                     : PlantReply{405, {}, PlantReplies::FailureBody(405, "Use GET for " + path)},
                 request, response);
            return;
        }
        const std::optional<Fault> fault = CountAndFindFault(path);
        if (!fault) {
            Send(Carry(request, path), request, response);
            return;
        }
        if (fault->DelayMs > 0 && !Wait(fault->DelayMs)) {
            RawConnection(request.local_port, request.remote_port).Drop();
            return;
        }
        if (fault->DropConnection || fault->LoseReply) {
            if (fault->LoseReply && !fault->DropConnection)
                Carry(request, path);
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
            reply = Carry(request, path);
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

    Impl* impl = d.get();
    auto server = std::make_unique<PlantServer>(
        d->limits, [impl](const httplib::Request& request, httplib::Response& response) {
            impl->Handle(request, response);
        });
    const int bound = server->Bind(port);
    if (bound <= 0)
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port) +
                                 " (is the port in use?)");
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
    d->server->Shutdown();
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

void PlantService::SetLimits(const ServerLimits& limits) {
    d->limits = limits;
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

std::vector<BookedWrite> PlantService::Writes() const {
    std::lock_guard lock(d->modelMutex);
    return d->writes.Writes();
}

void PlantService::WithModel(const std::function<void(PlantModel&)>& action) {
    std::lock_guard lock(d->modelMutex);
    action(d->model);
}

} // namespace k7::plant
