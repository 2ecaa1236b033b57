#pragma once

#include "service/CurlHandle_p.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace k7 {

// The connections a terminal keeps to its services, shared by every request its controls send,
// whichever thread sends them (the user-interface thread in the Blocking mode, the frame's workers
// in the NonBlocking mode, the path view's request thread).
//
// libcurl cannot hand one cached connection between concurrently running threads, so a group
// shares no cache between threads: it drives one multi handle, and all of its exchanges run in it.
// The threads whose exchanges are out take turns in the driving seat: the one in it runs the multi
// handle for everybody (its own exchange and the others') until its own exchange ends, then hands
// the seat to another thread still waiting, which the rest wait for. A request sent alone thus
// runs on its own thread as before, with no hand-over between threads; and each thread still ends
// its own exchange whenever its cancel or its limits say so.
//
// Reads take turns: one runs at a time, over a kept connection, so controls refreshed together (a
// terminal's first screen, timers of equal periods) queue for milliseconds instead of opening a
// connection each, and the one connection, used every second by the cycle clock, is never closed
// by the service as idle (two connections shared by turns leave the second idle long enough for
// that, and every overlap then opens a new one). A read out longer than kHangingAfter no longer
// holds the turn: a hanging reply holds up the others that long at most, then the next read takes
// the other kept connection or opens one more. A write never waits for its turn: it goes out at
// once, on a connection of its own (see CurlTransfer). Once exchanges are over the group keeps at
// most kKeptConnections connections (the oldest idle ones are closed first): at steady state a
// terminal holds two connections to its service, enough for a read and a write to overlap.
class ConnectionGroup {
public:
    // Connections kept open once their exchanges are over.
    static constexpr long kKeptConnections = 2;
    // How long a read may be out before the next ones stop waiting for it.
    static constexpr std::chrono::milliseconds kHangingAfter{500};

    // The group every control is in unless its host puts it in another: one per process.
    static std::shared_ptr<ConnectionGroup> ProcessWide();
    // A group of its own (a terminal of a fleet run in one process). Raises when libcurl cannot
    // provide one.
    static std::shared_ptr<ConnectionGroup> Create();

    ConnectionGroup(); // use Create()
    ConnectionGroup(const ConnectionGroup&) = delete;
    ConnectionGroup& operator=(const ConnectionGroup&) = delete;

    // Connections opened so far, and open now (in use or kept).
    int64_t ConnectionsOpened() const noexcept;
    int ConnectionsOpen() const noexcept;

    // What a thread whose exchange is out waits on while another thread drives: the end of its
    // exchange, or an interruption (from any thread: a cancel; the seat handed over).
    class Waiter {
    public:
        using Clock = std::chrono::steady_clock;
        void Interrupt() noexcept;

    private:
        friend class ConnectionGroup;
        void Reset() noexcept;
        void End(int result) noexcept;
        bool Ended() noexcept;
        void WaitUntil(Clock::time_point until);
        void WaitForEnd();

        std::mutex mutex_;
        std::condition_variable changed_;
        bool ended_ = false;
        bool interrupted_ = false;
        int result_ = 0;
    };

    // What the thread running an exchange decides between steps: whether to end it now (CURLE_OK
    // goes on; anything else is the result it ends with) and how long it may wait, in
    // milliseconds, before it is asked again.
    struct Verdict {
        int endWith = 0;
        int askAgainMs = 0;
    };

    // Runs the exchange set up on `easy` (in no multi handle) over the group's connections and
    // returns its libcurl result. `waiter` is the calling thread's, `verdict` is asked on it. A
    // read waits for its turn; anything else starts at once.
    int Run(CURL* easy, bool isRead, Waiter& waiter, const std::function<Verdict()>& verdict);
    // Wakes the thread in the driving seat, so that a cancel reaches it at once. Any thread.
    void Wake() noexcept;

private:
    using Clock = std::chrono::steady_clock;
    using Lock = std::unique_lock<std::mutex>;
    struct Exchange {
        Waiter* waiter;
        bool isRead;
        Clock::time_point since; // once running
    };
    struct Counts {
        std::atomic<int64_t> opened{0};
        std::atomic<int> open{0};
    };

    // One turn in the driving seat, taken and given back under `lock`.
    void Drive(Lock& lock, Waiter& waiter, int longestWaitMs);
    // Withdraws and starts what the callers asked for; how long the seat may then sleep, in ms.
    int TakeRequests();
    // Hands ended exchanges to their owners; true when one ended.
    bool TakeEnded();
    // Ends `easy`'s exchange where it stands, unless it is over already.
    void Withdraw(Lock& lock, CURL* easy, Waiter& waiter);
    // Gives the seat back; a thread with an exchange out is woken to take it.
    void LeaveSeat(Waiter& leaving);

    static curl_socket_t OpenSocket(void* counts, curlsocktype purpose, curl_sockaddr* address);
    static int CloseSocket(void* counts, curl_socket_t socket);

    // Declared before the multi handle, whose clean-up closes the connections it still holds.
    Counts counts_;
    CurlMultiHandle multi_; // used by the thread in the seat only

    std::mutex mutex_; // guards what follows
    bool seatTaken_ = false;
    std::deque<std::pair<CURL*, Exchange>> starting_; // reads in the order of their turns
    std::vector<CURL*> withdrawing_;
    std::map<CURL*, Exchange> running_; // in the multi handle
};

} // namespace k7
