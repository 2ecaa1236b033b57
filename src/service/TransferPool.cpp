#include "service/TransferPool_p.h"

namespace k7 {

std::shared_ptr<TransferPool> TransferPool::ForThisThread() {
    thread_local const std::shared_ptr<TransferPool> pool = std::make_shared<TransferPool>();
    return pool;
}

std::unique_ptr<CurlTransfer> TransferPool::Take() {
    {
        std::lock_guard lock(mutex_);
        if (!idle_.empty()) {
            std::unique_ptr<CurlTransfer> transfer = std::move(idle_.back());
            idle_.pop_back();
            return transfer;
        }
    }
    return std::make_unique<CurlTransfer>();
}

void TransferPool::Give(std::unique_ptr<CurlTransfer> transfer) noexcept {
    if (!transfer)
        return;
    // An idle transfer must not keep a connection group alive.
    transfer->Forget();
    std::lock_guard lock(mutex_);
    if (idle_.size() >= kMostIdle)
        return;
    try {
        idle_.push_back(std::move(transfer));
    } catch (...) {
        // Not kept: the transfer is simply released.
    }
}

} // namespace k7
