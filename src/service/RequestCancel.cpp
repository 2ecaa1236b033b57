#include "service/RequestCancel_p.h"

#include "service/CurlTransfer_p.h"

namespace k7 {

namespace {

thread_local RequestCancel* watched = nullptr;

} // namespace

void RequestCancel::Cancel() noexcept {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    // Under the lock: the transfer cannot leave (and be handed to another request) meanwhile.
    if (running_)
        running_->Cancel();
}

bool RequestCancel::Cancelled() const noexcept {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

RequestCancel::Watch::Watch(RequestCancel& cancel) noexcept : previous_(watched) {
    watched = &cancel;
}

RequestCancel::Watch::~Watch() {
    watched = previous_;
}

RequestCancel* RequestCancel::Current() noexcept {
    return watched;
}

bool RequestCancel::Enter(CurlTransfer& transfer) noexcept {
    std::lock_guard lock(mutex_);
    if (cancelled_)
        return false;
    running_ = &transfer;
    return true;
}

void RequestCancel::Leave() noexcept {
    std::lock_guard lock(mutex_);
    running_ = nullptr;
}

} // namespace k7
