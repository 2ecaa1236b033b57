#include "PlantService.h"

#include "DrawingService.h"
#include "PlantModel.h"
#include "PlantReplies.h"
#include "PlantServer.h"
#include "PlantTime.h"

#include "core/Clock_p.h"

#include <map>
#include <mutex>
#include <stdexcept>
#include <string>

namespace k7::plant {

namespace {
// The plant's own inspection path: what a test or a user asks the simulator, not the service.
const QString WritesPath = "simulator/writes";

// A request the plant fails on is answered 500 with what went wrong, delayed or not.
template <typename Step> PlantAnswer Guarded(const Step& step) {
    try {
        return step();
    } catch (const std::exception& error) {
        return PlantAnswer::With(
            PlantReply{500, {}, PlantReplies::FailureBody(500, QString::fromUtf8(error.what()))});
    }
}
} // namespace

struct PlantService::Impl {
    explicit Impl(uint64_t seed) : model(seed, Clock::Now()), replies(model), drawing(model) {}

    PlantAnswer Handle(const PlantRequest& request);
    std::optional<Fault> CountAndFindFault(const QString& path);
    // What a fault makes of the request once its delay is over.
    PlantAnswer Faulted(const PlantRequest& request, const QString& path, const Fault& fault);
    // The plant's own answer: computed, or for a write with a key already booked, replayed.
    PlantReply Carry(const PlantRequest& request, const QString& path);
    PlantReply Compute(const PlantRequest& request, Date now);

    std::mutex modelMutex;
    PlantModel model;
    PlantReplies replies;
    DrawingService drawing;
    WriteBook writes; // under modelMutex

    ServerLimits limits;
    std::unique_ptr<PlantServer> server;
    int port = 0;

    mutable std::mutex stateMutex;
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

PlantReply PlantService::Impl::Compute(const PlantRequest& request, Date now) {
    if (DrawingService::Serves(PlantReplies::NormalisePath(request.Path)))
        return drawing.Answer(request.Method, request.Target, now);
    return replies.Answer(request.Method, request.Target, now);
}

PlantReply PlantService::Impl::Carry(const PlantRequest& request, const QString& path) {
    std::lock_guard lock(modelMutex);
    const Date now = Clock::Now();
    if (!WriteBook::IsWrite(request.Method))
        return Compute(request, now);
    if (std::optional<PlantReply> first = writes.Replay(request.IdempotencyKey))
        return *first;
    const PlantReply reply = Compute(request, now);
    const qsizetype mark = request.Target.indexOf('?');
    const QString query = mark < 0 ? QString() : QString::fromUtf8(request.Target.mid(mark + 1));
    writes.Book(BookedWrite{request.Method, path, query, request.IdempotencyKey, reply.Status,
                            PlantTime::Stamp(PlantTime::Seconds(now))},
                reply);
    return reply;
}

PlantAnswer PlantService::Impl::Faulted(const PlantRequest& request, const QString& path,
                                        const Fault& fault) {
    if (fault.DropConnection || fault.LoseReply) {
        if (fault.LoseReply && !fault.DropConnection)
            Carry(request, path);
        return PlantAnswer::Silence();
    }
    PlantReply reply;
    if (fault.Status != 0 || fault.RawBody) {
        // The fault answers instead of the plant: nothing is booked or justified.
        reply.Status = fault.Status != 0 ? fault.Status : 200;
        reply.Body = fault.RawBody ? fault.RawBody->toUtf8()
                                   : PlantReplies::FailureBody(reply.Status, "Injected fault on " + path);
    } else {
        reply = Carry(request, path);
    }
    if (!fault.Reason.isEmpty())
        reply.Reason = fault.Reason;
    return PlantAnswer::With(reply);
}

PlantAnswer PlantService::Impl::Handle(const PlantRequest& request) {
    return Guarded([&] {
        const QString path = PlantReplies::NormalisePath(request.Path);
        if (path == WritesPath) {
            std::lock_guard lock(modelMutex);
            return PlantAnswer::With(
                request.Method == "GET" || request.Method == "HEAD"
                    ? writes.Listing()
                    : PlantReply{405, {}, PlantReplies::FailureBody(405, "Use GET for " + path)});
        }
        const std::optional<Fault> fault = CountAndFindFault(path);
        if (!fault)
            return PlantAnswer::With(Carry(request, path));
        if (fault->DelayMs > 0)
            return PlantAnswer::After(std::chrono::milliseconds(fault->DelayMs),
                                      [this, request, path, fault] {
                                          return Guarded([&] { return Faulted(request, path, *fault); });
                                      });
        return Faulted(request, path, *fault);
    });
}

PlantService::PlantService() : PlantService(PlantModel::DefaultSeed) {}

PlantService::PlantService(uint64_t seed) : d(std::make_unique<Impl>(seed)) {}

PlantService::~PlantService() {
    Stop();
}

int PlantService::Start(int port) {
    if (d->server)
        throw std::logic_error("the plant is already serving on port " + std::to_string(d->port));
    Impl* impl = d.get();
    auto server = std::make_unique<PlantServer>(
        d->limits, [impl](const PlantRequest& request) { return impl->Handle(request); });
    const int bound = server->Start(port);
    if (bound <= 0)
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port) +
                                 " (is the port in use?)");
    d->server = std::move(server);
    d->port = bound;
    return bound;
}

void PlantService::Stop() {
    if (!d->server)
        return;
    d->server->Stop();
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
