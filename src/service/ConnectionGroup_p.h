#pragma once

#include "service/CurlHandle_p.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace k7 {

// The connections a terminal keeps to its services, shared by every request its controls send,
// whichever thread sends them (the user-interface thread in the Blocking mode, the frame's workers
// in the NonBlocking mode, the path view's request thread).
//
// libcurl cannot hand one cached connection between concurrently running threads, so a group does
// not share a cache between threads: one thread of its own drives a single multi handle, and every
// exchange of the group runs there. The thread that asks waits for its own exchange only, and can
// still end it at any time (Withdraw), so a hanging reply holds up nobody else: a second exchange
// meanwhile takes an idle connection, or opens one more. Once exchanges are over, the group keeps at
// most kKeptConnections of them open (the oldest idle ones go first): at steady state a terminal
// holds two connections to its service, enough for a read and a write to overlap.
class ConnectionGroup {
public:
    // Connections kept open once their exchanges are over.
    static constexpr long kKeptConnections = 2;

    // The group every control is in unless its host puts it in another: one per process.
    static std::shared_ptr<ConnectionGroup> ProcessWide();
    // A group of its own (a terminal of a fleet run in one process). Raises when libcurl cannot
    // provide one.
    static std::shared_ptr<ConnectionGroup> Create();

    ~ConnectionGroup();
    ConnectionGroup(const ConnectionGroup&) = delete;
    ConnectionGroup& operator=(const ConnectionGroup&) = delete;

    // Connections opened so far, and open now (in use or kept).
    int64_t ConnectionsOpened() const noexcept;
    int ConnectionsOpen() const noexcept;

    // What a thread waiting for its exchange waits on: ended by the group's thread, or interrupted
    // (from any thread) so that the waiting thread looks at its own limits and cancel again.
    class Waiter {
    public:
        using Clock = std::chrono::steady_clock;
        // True once the exchange ended; false when interrupted or `until` came first.
        bool WaitUntil(Clock::time_point until);
        void Interrupt() noexcept;
        int Result() const noexcept { return result_; }

    private:
        friend class ConnectionGroup;
        void Reset() noexcept;
        void End(int result) noexcept;
        void WaitForEnd();

        std::mutex mutex_;
        std::condition_variable changed_;
        bool ended_ = false;
        bool interrupted_ = false;
        int result_ = 0;
    };

    // Hands the exchange set up on `easy` (in no multi handle) to the group's thread; `waiter`
    // hears of its end. Both must stay until it has ended or been withdrawn.
    void Start(CURL* easy, Waiter& waiter);
    // Ends the exchange of `easy` where it stands, unless it has ended already, and returns once
    // the group's thread has let go of it; its connection is closed rather than reused.
    void Withdraw(CURL* easy, Waiter& waiter);

    ConnectionGroup(); // use Create()

private:
    struct Counts {
        std::atomic<int64_t> opened{0};
        std::atomic<int> open{0};
    };

    void Drive() noexcept;
    void TakeRequests();
    void TakeEnded();

    static curl_socket_t OpenSocket(void* counts, curlsocktype purpose, curl_sockaddr* address);
    static int CloseSocket(void* counts, curl_socket_t socket);

    // Declared before the multi handle, whose clean-up closes the connections it still holds.
    Counts counts_;
    CurlMultiHandle multi_;

    std::mutex mutex_; // guards what follows
    std::vector<std::pair<CURL*, Waiter*>> starting_;
    std::vector<CURL*> withdrawing_;
    std::map<CURL*, Waiter*> running_; // in the multi handle
    bool stopping_ = false;

    std::thread driver_;
};

} // namespace k7
