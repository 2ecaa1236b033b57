#include "service/ConnectionGroup_p.h"

#include "service/HttpErrors.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

namespace k7 {

namespace {

// Longest sleep of the group's thread when libcurl has no time-out of its own to watch; a new
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
    // No limit per host: an exchange never waits for a connection that another one holds (a
    // hanging reply), it opens one more; what is kept afterwards is bounded instead.
    if (curl_multi_setopt(multi_.Get(), CURLMOPT_MAXCONNECTS, kKeptConnections) != CURLM_OK)
        throw HttpError(HttpFailure::InternalError,
                        QStringLiteral("the connection group could not be set up"));
    try {
        driver_ = std::thread(&ConnectionGroup::Drive, this);
    } catch (const std::system_error&) {
        throw HttpError(HttpFailure::InternalError, QStringLiteral("no thread for the connection group"));
    }
}

ConnectionGroup::~ConnectionGroup() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    curl_multi_wakeup(multi_.Get());
    driver_.join();
}

int64_t ConnectionGroup::ConnectionsOpened() const noexcept {
    return counts_.opened.load(std::memory_order_relaxed);
}

int ConnectionGroup::ConnectionsOpen() const noexcept {
    return counts_.open.load(std::memory_order_relaxed);
}

void ConnectionGroup::Start(CURL* easy, Waiter& waiter) {
    waiter.Reset();
    // Every connection this exchange opens is counted, and closed through the group's count too
    // (libcurl keeps the close function with the connection).
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &ConnectionGroup::OpenSocket);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &counts_);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &ConnectionGroup::CloseSocket);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, &counts_);
    {
        std::lock_guard lock(mutex_);
        starting_.emplace_back(easy, &waiter);
    }
    curl_multi_wakeup(multi_.Get());
}

void ConnectionGroup::Withdraw(CURL* easy, Waiter& waiter) {
    {
        std::lock_guard lock(mutex_);
        const auto waiting = std::find_if(starting_.begin(), starting_.end(),
                                          [easy](const auto& entry) { return entry.first == easy; });
        if (waiting != starting_.end()) {
            starting_.erase(waiting);
            waiter.End(CURLE_ABORTED_BY_CALLBACK);
            return;
        }
        if (!running_.contains(easy))
            return; // over already
        withdrawing_.push_back(easy);
    }
    curl_multi_wakeup(multi_.Get());
    waiter.WaitForEnd();
}

void ConnectionGroup::Drive() noexcept {
    CURLM* multi = multi_.Get();
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                break;
        }
        TakeRequests();
        int running = 0;
        curl_multi_perform(multi, &running);
        TakeEnded();
        // Also wakes for libcurl's own time-outs, which it knows better than this loop.
        curl_multi_poll(multi, nullptr, 0, kLongestPollMs, nullptr);
    }
    // Nothing can run any more: every exchange's owner holds the group until its exchange ended.
}

void ConnectionGroup::TakeRequests() {
    std::lock_guard lock(mutex_);
    for (CURL* easy : withdrawing_) {
        const auto entry = running_.find(easy);
        if (entry == running_.end())
            continue; // it ended meanwhile, and its owner has heard so
        // Removing a handle mid-exchange closes its connection, so a late reply has nowhere to go.
        curl_multi_remove_handle(multi_.Get(), easy);
        entry->second->End(CURLE_ABORTED_BY_CALLBACK);
        running_.erase(entry);
    }
    withdrawing_.clear();
    for (const auto& [easy, waiter] : starting_) {
        const CURLMcode added = curl_multi_add_handle(multi_.Get(), easy);
        if (added == CURLM_OK)
            running_.emplace(easy, waiter);
        else
            waiter->End(added == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT);
    }
    starting_.clear();
}

void ConnectionGroup::TakeEnded() {
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi_.Get(), &queued)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* easy = message->easy_handle;
        const int result = message->data.result;
        // Removed before its owner hears of the end: the owner may run the handle again at once.
        curl_multi_remove_handle(multi_.Get(), easy);
        std::lock_guard lock(mutex_);
        const auto entry = running_.find(easy);
        if (entry == running_.end())
            continue;
        entry->second->End(result);
        running_.erase(entry);
    }
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

bool ConnectionGroup::Waiter::WaitUntil(Clock::time_point until) {
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, until, [this] { return ended_ || interrupted_; });
    interrupted_ = false;
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
