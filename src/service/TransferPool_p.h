#pragma once

#include "service/CurlTransfer_p.h"

#include <memory>
#include <mutex>
#include <vector>

namespace k7 {

// Idle libcurl transfers (an easy handle each, set up once) that request objects of one thread hand
// on to each other. Controls make a fresh request object for every load; taking a ready transfer
// costs nothing. Giving back is safe from any thread.
class TransferPool {
public:
    // The calling thread's pool, created on first use.
    static std::shared_ptr<TransferPool> ForThisThread();

    // An idle transfer, or a new one (raises when libcurl cannot make one).
    std::unique_ptr<CurlTransfer> Take();
    // Keeps `transfer` (which must not be running) for the next Take, or drops it when enough wait.
    void Give(std::unique_ptr<CurlTransfer> transfer) noexcept;

private:
    static constexpr size_t kMostIdle = 4;

    std::mutex mutex_;
    std::vector<std::unique_ptr<CurlTransfer>> idle_;
};

} // namespace k7
