#pragma once

#include <mutex>

namespace k7 {

class CurlTransfer;

// Lets one thread end the synchronous requests another thread makes, without waiting for their
// replies: a worker that carries a terminal's request watches one, and the terminal cancels it when
// the control that asked is gone or the application closes, instead of sitting out a reply that may
// be a minute away.
//
// A thread watches a RequestCancel for the life of a Watch. Cancel() (from any thread) then ends the
// exchange that thread is running at once, as an aborted one ("The operation has been canceled"),
// and every later exchange under the same watch fails the same way before anything is sent.
// Requests of a thread that watches nothing are never cancelled.
class RequestCancel {
public:
    RequestCancel() = default;
    RequestCancel(const RequestCancel&) = delete;
    RequestCancel& operator=(const RequestCancel&) = delete;

    void Cancel() noexcept;
    bool Cancelled() const noexcept;

    class Watch {
    public:
        explicit Watch(RequestCancel& cancel) noexcept;
        ~Watch();
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;

    private:
        RequestCancel* previous_;
    };

private:
    friend class CurlTransfer;
    // What the calling thread watches, or null.
    static RequestCancel* Current() noexcept;
    // A transfer about to run registers, so Cancel() can wake it; false when cancelled already.
    bool Enter(CurlTransfer& transfer) noexcept;
    void Leave() noexcept;

    mutable std::mutex mutex_;
    bool cancelled_ = false;
    CurlTransfer* running_ = nullptr;
};

} // namespace k7
