#pragma once

#include <curl/curl.h>

#include <utility>

namespace k7 {

// Sole owner of one libcurl handle: released exactly once by `Release`, movable, never copied.
template <class T, auto Release> class CurlHandle {
public:
    CurlHandle() noexcept = default;
    explicit CurlHandle(T* handle) noexcept : handle_(handle) {}
    ~CurlHandle() { Reset(); }

    CurlHandle(const CurlHandle&) = delete;
    CurlHandle& operator=(const CurlHandle&) = delete;
    CurlHandle(CurlHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    CurlHandle& operator=(CurlHandle&& other) noexcept {
        if (this != &other)
            Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }

    T* Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

    void Reset(T* handle = nullptr) noexcept {
        if (handle_)
            Release(handle_);
        handle_ = handle;
    }

private:
    T* handle_ = nullptr;
};

using CurlEasyHandle = CurlHandle<CURL, curl_easy_cleanup>;
using CurlMultiHandle = CurlHandle<CURLM, curl_multi_cleanup>;
using CurlShareHandle = CurlHandle<CURLSH, curl_share_cleanup>;
using CurlUrlHandle = CurlHandle<CURLU, curl_url_cleanup>;
using CurlHeaderList = CurlHandle<curl_slist, curl_slist_free_all>;

// libcurl's process-wide set-up, done once whichever thread asks first. False when it failed.
bool EnsureCurlInitialized() noexcept;

} // namespace k7
