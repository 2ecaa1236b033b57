#pragma once

#include "core/RuntimeError.h"
#include "service/HttpRequestObject.h"

#include <QByteArray>
#include <QList>

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>

namespace k7 {

class ConnectionGroup;
class CurlTransfer;
class TransferPool;

// The real request object, on libcurl. It stands in for the platform's two request classes:
//
// - Kind::Server (the server-side class) honours SetTimeouts. resolve + connect become the limit
//   on looking up the host and setting up the connection; receive becomes the longest silence
//   allowed once the request is on its way (waiting for the reply, and between pieces of it);
//   the sum of all four caps the whole exchange, so a call never blocks longer than that sum. The
//   request has no body, so send has no phase of its own and counts only towards that cap.
//   0 or -1 means no limit (for resolve: no extra time on top of connect); anything below -1
//   raises "The parameter is incorrect". Until SetTimeouts the platform's defaults hold: resolve
//   none, connect 60 s, send 30 s, receive 30 s.
// - Kind::Client (the client-side class) has no SetTimeouts: calling it raises 438, as late binding
//   to that class would. Its limits are fixed so that a stalled service cannot freeze a terminal
//   for good: 30 s to connect, 60 s of silence, 120 s for the whole exchange.
//
// The request adds nothing of its own: on the wire go the request line, libcurl's "Host" and
// "Accept: */*", "Content-Length: 0" for every method but GET and HEAD (there is never a body,
// and servers need the length to know it), and the caller's SetRequestHeader lines; no
// Content-Type, User-Agent or Expect. A method other than GET and HEAD is never sent twice: it
// goes out on a connection of its own, which libcurl does not retry (see CurlTransfer). HTTP/1.1 always,
// so every reply has a reason phrase; no proxy is used. Redirects are followed, at most 10 hops
// (see CurlTransfer); one more fails with "The HTTP redirect request failed".
//
// Open() checks the address (an http or https scheme followed by "//" and a usable host) and
// raises "The URL is invalid" or "The URL does not use a recognized protocol" at once. Blanks,
// control characters, "#" and non-ASCII characters after the host are sent percent-encoded
// (UTF-8); everything else goes exactly as given.
//
// Synchronous Send() blocks until the exchange ends and raises its transport failure. Asynchronous
// Send() runs the exchange on a worker thread and returns at once; the caller polls readyState().
// A failed exchange also completes (state 4): after a time-out Status() reports 12002 (StatusText()
// and ResponseText() are empty); after any other failure all three raise it. Before state 4 they
// raise "not yet available". Abort(), a new Open() and the destructor stop a running exchange
// within milliseconds and wait for the worker, so no thread outlives the object. An object serves
// one thread at a time.
//
// Every exchange, synchronous or not, runs over the connections of the object's connection group
// (see ConnectionGroup; the process-wide one unless another is given), so a fresh object reuses a
// live connection; libcurl handles come from the thread's pool (see TransferPool), so a fresh object
// costs next to nothing.
class HttpRequest final : public HttpRequestObject {
public:
    enum class Kind { Client, Server };

    // A null group means the process-wide one.
    explicit HttpRequest(Kind kind = Kind::Client, std::shared_ptr<ConnectionGroup> group = nullptr);
    ~HttpRequest() override;
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    void Open(const QString& method, const QString& url, bool async) override;
    void SetRequestHeader(const QString& name, const QString& value) override;
    void Send() override;
    void Abort() override;

    int32_t readyState() const override;
    int32_t Status() const override;
    QString StatusText() const override;
    QString ResponseText() const override;

    void SetTimeouts(int32_t resolveMs, int32_t connectMs, int32_t sendMs, int32_t receiveMs) override;

    // The group the next Send goes through (null: the process-wide one).
    void UseConnectionGroup(std::shared_ptr<ConnectionGroup> group);

private:
    void StopExchange() noexcept;
    void ReleaseTransfer() noexcept;
    void RunExchange() noexcept;
    void ClearOutcome() noexcept;
    void RequireOutcome() const;
    // A method or a header name: an HTTP token.
    static void CheckToken(const QString& token);
    static void CheckUrl(const QByteArray& url);

    Kind kind_;
    std::array<int32_t, 4> timeouts_{0, 60000, 30000, 30000};
    QByteArray method_;
    QByteArray url_;
    QList<QByteArray> headers_; // "Name: value" lines of the request opened last
    bool async_ = false;

    std::shared_ptr<ConnectionGroup> group_;
    std::shared_ptr<TransferPool> pool_; // where the transfer came from, and goes back to
    std::unique_ptr<CurlTransfer> transfer_;
    std::thread worker_;
    std::atomic<int32_t> readyState_{0};

    // The outcome, written before readyState_ turns 4 and read only after.
    std::optional<RuntimeError> failure_;
    bool timedOut_ = false;
    int32_t status_ = 0;
    QString statusText_;
    QString responseText_;
};

} // namespace k7
