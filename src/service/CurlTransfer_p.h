#pragma once

#include "service/ConnectionGroup_p.h"
#include "service/CurlHandle_p.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace k7 {

// One HTTP exchange through libcurl: the only code that sets up libcurl for a request. The exchange
// itself runs in a connection group (see ConnectionGroup), over the group's connections; the
// calling thread waits for it (or drives the group meanwhile), watches its limits and its cancel,
// and withdraws it from the group when either ends it. It keeps its easy handle for its whole life, so an
// owner can run it again, and Cancel() ends a running exchange from another thread within
// milliseconds.
//
// On the wire: the request line, "Host", libcurl's "Accept: */*", "Content-Length: 0" for every
// method but GET and HEAD (the request never carries a body; servers need the length to know that),
// and the caller's own header lines. No User-Agent, no Content-Type, no Expect, no compression, no proxy
// (libcurl's proxy environment variables are ignored), HTTP/1.1 so that every reply has a reason phrase. The
// address goes to libcurl exactly as given: no escaping, no dot-segment clean-up.
//
// Redirects (301, 302, 303, 307, 308 with a Location) are followed, as the platform's request
// objects do, and the final reply is the outcome. The method changes as in browsers: 303 makes
// anything but HEAD a GET, 301 and 302 make POST a GET, 307 and 308 keep it. At most 10 hops are
// taken; the 11th redirect, or one to an address that is not http or https, ends the run with
// CURLE_TOO_MANY_REDIRECTS. The limit on the whole exchange spans all hops.
//
// Every method but GET and HEAD goes out on a connection of its own. libcurl sends a request again
// on a new connection when a reused one turns out dead before any reply byte came back; for a
// write that resend is a second booking whenever the service had already read the first copy. A
// fresh connection is never resent, so one call puts at most one copy of a write on the wire.
class CurlTransfer {
public:
    // 0 means no limit.
    struct Limits {
        int64_t connectMs = 0; // name look-up plus connection set-up
        int64_t idleMs = 0;    // longest silence once the request is on its way
        int64_t totalMs = 0;   // the whole exchange
    };

    CurlTransfer(); // raises when libcurl cannot provide handles
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // Sets up the next run. `headers` are whole header lines ("Name: value") sent with it. `group`
    // carries the exchange. `headersDone` is called on whichever thread drives the group once the head
    // of the final reply is in. Not while running.
    void Prepare(const QByteArray& method, const QByteArray& url, const QList<QByteArray>& headers,
                 const Limits& limits, std::shared_ptr<ConnectionGroup> group,
                 std::function<void()> headersDone);

    // Performs the exchange, redirects included; returns the libcurl result (CURLE_OK: a complete
    // reply). CURLE_ABORTED_BY_CALLBACK after Cancel(), CURLE_OPERATION_TIMEDOUT when a limit ran
    // out, CURLE_TOO_MANY_REDIRECTS for a redirect not followed.
    // A run on a thread that watches a RequestCancel ends as after Cancel() once that is cancelled.
    int Run();

    // Makes a running (or the next) Run() end at once. Safe from any thread.
    void Cancel() noexcept;

    // Lets go of the group and the last outcome, so the transfer can wait idle without them.
    void Forget() noexcept;

    // The outcome of the last Run().
    int32_t Status() const noexcept { return status_; }
    const QByteArray& ReasonPhrase() const noexcept { return reason_; }
    const QByteArray& ContentType() const noexcept { return contentType_; }
    const QByteArray& Body() const noexcept { return body_; }
    // libcurl's own words for a failed run (for internal errors).
    QByteArray ErrorDetail() const;

private:
    using SteadyClock = std::chrono::steady_clock;

    static size_t TakeHeader(char* data, size_t size, size_t count, void* self);
    static size_t TakeBody(char* data, size_t size, size_t count, void* self);
    static int MarkRequestStart(void* self, char* primaryIp, char* localIp, int primaryPort, int localPort);
    void ReadStatusLine(QByteArrayView line);
    void ReadHeaderLine(QByteArrayView line);
    bool SetTarget(const QByteArray& method, const QByteArray& url);
    // The current hop has no request body (GET, HEAD).
    bool IsRead() const { return method_ == "GET" || method_ == "HEAD"; }
    int RunHops();
    int RunOnce();
    int64_t IdleMsLeft() const;
    void MarkActivity() noexcept {
        lastActivity_.store(SteadyClock::now().time_since_epoch().count(), std::memory_order_relaxed);
    }

    CurlEasyHandle easy_;
    std::shared_ptr<ConnectionGroup> group_;
    ConnectionGroup::Waiter waiter_;
    Limits limits_;
    std::function<void()> headersDone_;
    std::atomic<bool> cancelled_{false};
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    int lastResult_ = 0;

    // Written by whichever thread drives the group while the exchange runs, read by its own.
    std::atomic<bool> requestStarted_{false};
    std::atomic<SteadyClock::rep> lastActivity_{0};

    QByteArray method_; // of the current hop
    // The header lines of a hop without a body (GET, HEAD) and of one that would have one.
    CurlHeaderList readHeaders_;
    CurlHeaderList writeHeaders_;

    int32_t status_ = 0;
    QByteArray location_; // of the reply's head; non-empty makes a 3xx a redirect to follow
    QByteArray reason_;
    QByteArray contentType_;
    QByteArray body_;
};

} // namespace k7
