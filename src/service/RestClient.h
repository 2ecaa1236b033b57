#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace k7 {

class HttpRequestObject;

// The one way the controls talk to the plant's REST service. Every request is synchronous and
// every outcome comes back as text: the reply body of a 200, or a failure envelope
// {"status":"9999","data":"","message":"<failure text>"} built here. Nothing is ever raised.
class RestClient {
public:
    // Makes the request object for a mode (true: server-side kind with explicit time-outs).
    using RequestFactory = std::function<std::unique_ptr<HttpRequestObject>(bool serverMode)>;

    RestClient();
    explicit RestClient(RequestFactory factory);
    ~RestClient();
    RestClient(const RestClient&) = delete;
    RestClient& operator=(const RestClient&) = delete;

    void SetAPIHost(const QString& pStrAPIHost);
    void SetBolServer(bool pBolServer);

    QString GetRequest(const QString& pStrPath, const QString& pStrParams);
    QString PatchRequest(const QString& pStrPath, const QString& pStrParams);
    QString PostRequest(const QString& pStrPath, const QString& pStrParams);
    QString DeleteRequest(const QString& pStrPath, const QString& pStrParams);

private:
    QString SendRequest(const QString& pStrMethod, const QString& pStrURL);

    RequestFactory factory_;
    QString apiHost_;
    bool bolServer_ = false;
    bool requestServerMode_ = false;
    std::unique_ptr<HttpRequestObject> request_;
};

} // namespace k7
