#include "frame/requests/BackgroundRequest_p.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <algorithm>
#include <utility>
#include <vector>

namespace k7 {

namespace {

// Every request out: one per control at most, so this is the screen's count of controls waiting.
constexpr int kMostWorkers = 64;
// A worker idle this long ends; the next request starts a fresh one.
constexpr int kIdleWorkerMs = 30000;

struct Workers {
    std::mutex mutex;
    QThreadPool* pool = nullptr;
    std::vector<std::weak_ptr<BackgroundRequest>> running;
    int active = 0; // exchanges not yet ended
};

Workers& TheWorkers() {
    static Workers* workers = new Workers; // never destroyed: workers may still look at it at exit
    return *workers;
}

} // namespace

std::shared_ptr<BackgroundRequest> BackgroundRequest::Start(QObject& receiver, Exchange exchange, Done done) {
    std::shared_ptr<BackgroundRequest> request(new BackgroundRequest(receiver, std::move(done)));
    Workers& workers = TheWorkers();
    QThreadPool* pool = nullptr;
    {
        std::lock_guard lock(workers.mutex);
        if (!workers.pool) {
            // The frame's own pool, not the application's global one: a stalled request must not
            // take a thread the host counts on, nor the host's work hold ours up.
            workers.pool = new QThreadPool;
            workers.pool->setMaxThreadCount(kMostWorkers);
            workers.pool->setExpiryTimeout(kIdleWorkerMs);
            // Runs when the application object goes, before the libraries' own clean-up.
            qAddPostRoutine(&BackgroundRequest::AbandonAll);
        }
        pool = workers.pool;
        std::erase_if(workers.running,
                      [](const std::weak_ptr<BackgroundRequest>& entry) { return entry.expired(); });
        workers.running.push_back(request);
        ++workers.active;
    }
    pool->start([request, exchange = std::move(exchange)] { Run(request, exchange); });
    return request;
}

BackgroundRequest::BackgroundRequest(QObject& receiver, Done done)
    : receiver_(&receiver), done_(std::move(done)) {}

BackgroundRequest::~BackgroundRequest() = default;

void BackgroundRequest::Run(const std::shared_ptr<BackgroundRequest>& self, const Exchange& exchange) noexcept {
    std::shared_ptr<ServiceReply> reply;
    try {
        RequestCancel::Watch watch(self->cancel_);
        if (!self->cancel_.Cancelled())
            reply = std::make_shared<ServiceReply>(exchange());
    } catch (...) {
        // Only memory can fail here; the request then ends without an outcome, as an abandoned one.
    }
    {
        std::lock_guard lock(self->mutex_);
        if (reply && self->receiver_) {
            // Under the lock, so the receiver cannot be abandoned half-way through. Qt drops the call
            // when the receiver is destroyed before its event loop gets to it.
            QMetaObject::invokeMethod(
                self->receiver_, [self, reply] { self->Deliver(*reply); }, Qt::QueuedConnection);
        }
    }
    Workers& workers = TheWorkers();
    std::lock_guard lock(workers.mutex);
    --workers.active;
}

void BackgroundRequest::Deliver(const ServiceReply& reply) {
    Done done;
    {
        std::lock_guard lock(mutex_);
        if (!receiver_)
            return;
        receiver_ = nullptr;
        done = std::move(done_);
    }
    try {
        if (done)
            done(reply);
    } catch (...) {
        // Nothing may leave into the event loop; the receiver traps its own failures.
    }
}

void BackgroundRequest::Abandon() noexcept {
    Done dropped;
    {
        std::lock_guard lock(mutex_);
        receiver_ = nullptr;
        dropped = std::move(done_);
    }
    cancel_.Cancel();
}

int BackgroundRequest::Running() {
    Workers& workers = TheWorkers();
    std::lock_guard lock(workers.mutex);
    return workers.active;
}

bool BackgroundRequest::WaitForAll(int milliseconds) {
    Workers& workers = TheWorkers();
    QThreadPool* pool = nullptr;
    {
        std::lock_guard lock(workers.mutex);
        pool = workers.pool;
    }
    return !pool || pool->waitForDone(milliseconds);
}

void BackgroundRequest::AbandonAll() noexcept {
    Workers& workers = TheWorkers();
    std::vector<std::shared_ptr<BackgroundRequest>> running;
    QThreadPool* pool = nullptr;
    {
        std::lock_guard lock(workers.mutex);
        for (const auto& entry : workers.running)
            if (std::shared_ptr<BackgroundRequest> request = entry.lock())
                running.push_back(std::move(request));
        workers.running.clear();
        pool = std::exchange(workers.pool, nullptr);
    }
    for (const auto& request : running)
        request->Abandon();
    running.clear();
    if (pool) {
        // Cancelled exchanges end within milliseconds; the workers then go with the pool.
        pool->waitForDone();
        delete pool;
    }
}

} // namespace k7
