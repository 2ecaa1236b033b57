#include "service/ConnectionGroup_p.h"

#include "service/HttpErrors_p.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

namespace k7 {

namespace {

// Longest sleep in the driving seat when libcurl has no time-out of its own to watch; a new
// exchange or a withdrawal wakes it at once anyway.
constexpr int kLongestPollMs = 1000;

} // namespace

std::shared_ptr<ConnectionGroup> ConnectionGroup::ProcessWide() {
    static const std::shared_ptr<ConnectionGroup> group = Create();
    return group;
}

std::shared_ptr<ConnectionGroup> ConnectionGroup::Create() {
    return std::make_shared<ConnectionGroup>();
}

ConnectionGroup::ConnectionGroup() {
    if (!EnsureCurlInitialized())
        throw HttpError(HttpFailure::InternalError, QStringLiteral("libcurl could not be initialised"));
    multi_.Reset(curl_multi_init());
    if (!multi_)
        throw HttpError(HttpFailure::OutOfMemory);
    // libcurl bounds only what is kept. How many exchanges run at once is the group's own turn
    // taking (TakeRequests): libcurl's limit per host would make the next exchanges wait for a
    // hanging one until it ends.
    if (curl_multi_setopt(multi_.Get(), CURLMOPT_MAXCONNECTS, kKeptConnections) != CURLM_OK)
        throw HttpError(HttpFailure::InternalError,
                        QStringLiteral("the connection group could not be set up"));
}

int64_t ConnectionGroup::ConnectionsOpened() const noexcept {
    return counts_.opened.load(std::memory_order_relaxed);
}

int ConnectionGroup::ConnectionsOpen() const noexcept {
    return counts_.open.load(std::memory_order_relaxed);
}

int ConnectionGroup::Run(CURL* easy, bool isRead, Waiter& waiter, const std::function<Verdict()>& verdict) {
    // Every connection this exchange opens is counted, and closed through the group's count too
    // (libcurl keeps the close function with the connection).
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &ConnectionGroup::OpenSocket);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &counts_);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &ConnectionGroup::CloseSocket);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, &counts_);
    waiter.Reset();
    Lock lock(mutex_);
    starting_.emplace_back(easy, Exchange{&waiter, isRead, {}});
    if (seatTaken_)
        curl_multi_wakeup(multi_.Get());
    for (;;) {
        lock.unlock();
        const Verdict now = verdict();
        lock.lock();
        if (waiter.Ended())
            return waiter.result_;
        if (now.endWith != CURLE_OK) {
            Withdraw(lock, easy, waiter);
            return now.endWith;
        }
        if (!seatTaken_) {
            Drive(lock, waiter, now.askAgainMs);
        } else {
            lock.unlock();
            waiter.WaitUntil(Clock::now() + std::chrono::milliseconds(now.askAgainMs));
            lock.lock();
        }
    }
}

void ConnectionGroup::Wake() noexcept {
    curl_multi_wakeup(multi_.Get());
}

void ConnectionGroup::Drive(Lock& lock, Waiter& waiter, int longestWaitMs) {
    seatTaken_ = true;
    const int sleepMs = std::min(TakeRequests(), longestWaitMs);
    lock.unlock();
    int running = 0;
    curl_multi_perform(multi_.Get(), &running);
    // An exchange that ended may have made room for one waiting: the next turn starts it at once.
    if (!TakeEnded())
        curl_multi_poll(multi_.Get(), nullptr, 0, sleepMs, nullptr);
    lock.lock();
    LeaveSeat(waiter);
}

int ConnectionGroup::TakeRequests() {
    for (CURL* easy : withdrawing_) {
        const auto entry = running_.find(easy);
        if (entry == running_.end())
            continue; // it ended meanwhile, and its owner has heard so
        // Removing a handle mid-exchange closes its connection, so a late reply has nowhere to go.
        curl_multi_remove_handle(multi_.Get(), easy);
        entry->second.waiter->End(CURLE_ABORTED_BY_CALLBACK);
        running_.erase(entry);
    }
    withdrawing_.clear();

    const Clock::time_point now = Clock::now();
    // The read holding the turn, if any: the one that started last, unless it is hanging.
    std::optional<Clock::time_point> turnTakenAt;
    for (const auto& [easy, exchange] : running_)
        if (exchange.isRead && now - exchange.since < kHangingAfter)
            turnTakenAt = std::max(turnTakenAt.value_or(exchange.since), exchange.since);
    for (auto next = starting_.begin(); next != starting_.end();) {
        auto [easy, exchange] = *next;
        if (exchange.isRead && turnTakenAt) {
            ++next; // its turn comes when the read out ends or hangs
            continue;
        }
        next = starting_.erase(next);
        const CURLMcode added = curl_multi_add_handle(multi_.Get(), easy);
        if (added != CURLM_OK) {
            exchange.waiter->End(added == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT);
            continue;
        }
        exchange.since = now;
        running_.emplace(easy, exchange);
        if (exchange.isRead)
            turnTakenAt = now;
    }
    if (starting_.empty())
        return kLongestPollMs;
    const auto untilHanging =
        std::chrono::ceil<std::chrono::milliseconds>(*turnTakenAt + kHangingAfter - now);
    return static_cast<int>(std::clamp<int64_t>(untilHanging.count(), 1, kLongestPollMs));
}

bool ConnectionGroup::TakeEnded() {
    bool ended = false;
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi_.Get(), &queued)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* easy = message->easy_handle;
        const int result = message->data.result;
        // Removed before its owner hears of the end: the owner may run the handle again at once.
        curl_multi_remove_handle(multi_.Get(), easy);
        ended = true;
        std::lock_guard lock(mutex_);
        const auto entry = running_.find(easy);
        if (entry == running_.end())
            continue;
        entry->second.waiter->End(result);
        running_.erase(entry);
    }
    return ended;
}

void ConnectionGroup::Withdraw(Lock& lock, CURL* easy, Waiter& waiter) {
    const auto waiting = std::find_if(starting_.begin(), starting_.end(),
                                      [easy](const auto& entry) { return entry.first == easy; });
    if (waiting != starting_.end()) {
        starting_.erase(waiting);
        return;
    }
    if (!running_.contains(easy))
        return; // over already
    if (seatTaken_) {
        // The thread in the seat ends it on its next step; woken for that at once.
        withdrawing_.push_back(easy);
        curl_multi_wakeup(multi_.Get());
        lock.unlock();
        waiter.WaitForEnd();
        return;
    }
    seatTaken_ = true;
    withdrawing_.push_back(easy);
    TakeRequests();
    LeaveSeat(waiter);
}

void ConnectionGroup::LeaveSeat(Waiter& leaving) {
    // What was withdrawn meanwhile is ended before the seat is free: its owner waits for that.
    TakeRequests();
    seatTaken_ = false;
    if (!leaving.Ended())
        return; // its thread comes back for the next step
    // The thread leaves the group: another one with an exchange out takes the seat.
    if (!running_.empty())
        running_.begin()->second.waiter->Interrupt();
    else if (!starting_.empty())
        starting_.front().second.waiter->Interrupt();
}

curl_socket_t ConnectionGroup::OpenSocket(void* counts, curlsocktype, curl_sockaddr* address) {
    const curl_socket_t socket =
        ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket != CURL_SOCKET_BAD) {
        auto* tally = static_cast<Counts*>(counts);
        tally->opened.fetch_add(1, std::memory_order_relaxed);
        tally->open.fetch_add(1, std::memory_order_relaxed);
    }
    return socket;
}

int ConnectionGroup::CloseSocket(void* counts, curl_socket_t socket) {
    static_cast<Counts*>(counts)->open.fetch_sub(1, std::memory_order_relaxed);
    return ::close(socket);
}

void ConnectionGroup::Waiter::WaitUntil(Clock::time_point until) {
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, until, [this] { return ended_ || interrupted_; });
    interrupted_ = false;
}

bool ConnectionGroup::Waiter::Ended() noexcept {
    std::lock_guard lock(mutex_);
    return ended_;
}

void ConnectionGroup::Waiter::WaitForEnd() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ended_; });
}

void ConnectionGroup::Waiter::Interrupt() noexcept {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    changed_.notify_all();
}

void ConnectionGroup::Waiter::Reset() noexcept {
    std::lock_guard lock(mutex_);
    ended_ = false;
    interrupted_ = false;
    result_ = 0;
}

void ConnectionGroup::Waiter::End(int result) noexcept {
    // Notified under the lock: the owner may destroy the waiter as soon as it sees the end.
    std::lock_guard lock(mutex_);
    result_ = result;
    ended_ = true;
    changed_.notify_all();
}

} // namespace k7
