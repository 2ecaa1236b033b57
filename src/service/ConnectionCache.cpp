#include "service/ConnectionCache_p.h"

#include "service/HttpErrors.h"

namespace k7 {

std::shared_ptr<ConnectionCache> ConnectionCache::ForThisThread() {
    thread_local std::shared_ptr<ConnectionCache> cache;
    if (!cache)
        cache = std::make_shared<ConnectionCache>();
    return cache;
}

ConnectionCache::ConnectionCache() {
    if (!EnsureCurlInitialized())
        throw HttpError(HttpFailure::InternalError, QStringLiteral("libcurl could not be initialised"));
    share_.Reset(curl_share_init());
    if (!share_)
        throw HttpError(HttpFailure::OutOfMemory);
    CURLSH* share = share_.Get();
    bool ok = curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &ConnectionCache::LockData) == CURLSHE_OK &&
              curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &ConnectionCache::UnlockData) == CURLSHE_OK &&
              curl_share_setopt(share, CURLSHOPT_USERDATA, this) == CURLSHE_OK &&
              curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT) == CURLSHE_OK &&
              curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS) == CURLSHE_OK &&
              curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION) == CURLSHE_OK;
    if (!ok)
        throw HttpError(HttpFailure::InternalError,
                        QStringLiteral("the connection cache could not be set up"));
}

ConnectionCache::~ConnectionCache() = default;

void ConnectionCache::LockData(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<ConnectionCache*>(self)->locks_[static_cast<size_t>(data)].lock();
}

void ConnectionCache::UnlockData(CURL*, curl_lock_data data, void* self) {
    static_cast<ConnectionCache*>(self)->locks_[static_cast<size_t>(data)].unlock();
}

} // namespace k7
