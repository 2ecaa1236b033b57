#pragma once

#include "orvelk7controls_export.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace k7 {

class HttpRequestObject;

// The one way the controls talk to the plant's REST service. Every request is synchronous and
// every outcome comes back as text: the reply body of a 200, or a failure envelope
// {"status":"9999","data":"","message":"<failure text>"} built here. Nothing is ever raised.
class K7_EXPORT RestClient {
public:
    // Makes the request object for a mode (true: server-side kind with explicit time-outs).
    using RequestFactory = std::function<std::unique_ptr<HttpRequestObject>(bool serverMode)>;

    RestClient();
    // An empty factory means the real request object.
    explicit RestClient(RequestFactory factory);
    ~RestClient();
    RestClient(const RestClient&) = delete;
    RestClient& operator=(const RestClient&) = delete;

    void SetAPIHost(const QString& pStrAPIHost);
    void SetBolServer(bool pBolServer);

    // A header line sent with every later request of this client (a write's idempotency key); a
    // second call with the same name replaces the value. None by default.
    void SetRequestHeader(const QString& name, const QString& value);

    // The HTTP status of the last request's reply, or 0 when no reply came (the connection failed,
    // dropped or timed out). Tells "the service answered and said no" from "nobody knows".
    int32_t LastStatus() const;
    // The failure text the last request's envelope carries, as it stands (also when a quote in it
    // leaves the envelope no valid JSON); "" when a 200 reply came.
    const QString& LastFailure() const;

    // The address a request goes to: APIHost + path + "?" + parameters, plain concatenation (no
    // separator added, nothing escaped; the "?" is always there).
    static QString RequestAddress(const QString& apiHost, const QString& path, const QString& params);

    QString GetRequest(const QString& pStrPath, const QString& pStrParams);
    QString PatchRequest(const QString& pStrPath, const QString& pStrParams);
    QString PostRequest(const QString& pStrPath, const QString& pStrParams);
    QString DeleteRequest(const QString& pStrPath, const QString& pStrParams);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
