#pragma once

#include <QString>

#include <cstdint>

namespace k7 {

// The status Status() reports when the exchange timed out, as the platform's objects do: no reply
// came.
constexpr int32_t kHttpTimeoutStatus = 12002;

// The request object the REST client and the path view are written against: the operations of the
// platform's HTTP request objects, by the names those objects use. HttpRequest is the real one;
// tests install fakes through RestClient's factory to watch the calls.
//
// States of readyState(): 0 uninitialised (new or aborted), 1 opened (not sent), 2 sent (waiting for
// the reply's head), 3 receiving (head in, body arriving), 4 complete (reply in, or the exchange
// failed). Status(), StatusText() and ResponseText() are readable only in state 4.
class HttpRequestObject {
public:
    virtual ~HttpRequestObject() = default;

    // Prepares a request (abandoning any exchange still running); raises on an unusable address.
    virtual void Open(const QString& method, const QString& url, bool async) = 0;
    // Adds a header line to the request opened last; raises on what cannot go into a header line.
    virtual void SetRequestHeader(const QString& name, const QString& value) = 0;
    // Performs the exchange: before returning, or in the background when opened `async`.
    virtual void Send() = 0;
    // Abandons any exchange in flight and returns to state 0.
    virtual void Abort() = 0;

    virtual int32_t readyState() const = 0;
    virtual int32_t Status() const = 0;
    virtual QString StatusText() const = 0;
    virtual QString ResponseText() const = 0;

    // Per-phase limits in milliseconds (0 or -1: no limit), applied to the next Send.
    virtual void SetTimeouts(int32_t resolveMs, int32_t connectMs, int32_t sendMs, int32_t receiveMs) = 0;
};

} // namespace k7
