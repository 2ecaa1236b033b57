#pragma once

#include "service/CurlHandle_p.h"

#include <array>
#include <memory>
#include <mutex>

namespace k7 {

// Live connections, name look-ups and TLS sessions that synchronous requests of one thread share.
// Controls create a fresh REST client (and so a fresh request object) for every load; without this
// cache each load would pay a new TCP (and TLS) set-up. The cache is per thread because libcurl
// does not support handing one cached connection between concurrently running threads; the
// controls' requests all run on the user-interface thread, so they all meet here. Request objects
// hold a reference, so the cache outlives every handle attached to it even if an object is
// destroyed on another thread.
class ConnectionCache {
public:
    // The calling thread's cache, created on first use. Raises when libcurl cannot provide one.
    static std::shared_ptr<ConnectionCache> ForThisThread();

    ConnectionCache();
    ~ConnectionCache();
    ConnectionCache(const ConnectionCache&) = delete;
    ConnectionCache& operator=(const ConnectionCache&) = delete;

    CURLSH* Handle() const noexcept { return share_.Get(); }

private:
    static void LockData(CURL* easy, curl_lock_data data, curl_lock_access access, void* self);
    static void UnlockData(CURL* easy, curl_lock_data data, void* self);

    // Declared before the share so that they outlive its clean-up, which locks.
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;
    CurlShareHandle share_;
};

} // namespace k7
