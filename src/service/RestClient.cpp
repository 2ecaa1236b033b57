#include "service/RestClient.h"

#include "core/RuntimeError.h"
#include "service/HttpRequest_p.h"

#include <utility>
#include <vector>

namespace k7 {

namespace {

// Written in exactly one form; the text goes in unescaped, so a quote or backslash in it leaves the
// envelope invalid JSON, which the caller's parse then reports.
QString FailureEnvelope(const QString& failureText) {
    return QStringLiteral("{\"status\":\"9999\",\"data\":\"\",\"message\":\"") + failureText +
           QStringLiteral("\"}");
}

std::unique_ptr<HttpRequestObject> MakeRealRequest(bool serverMode) {
    return std::make_unique<HttpRequest>(serverMode ? HttpRequest::Kind::Server : HttpRequest::Kind::Client);
}

} // namespace

struct K7_NO_EXPORT RestClient::Private {
    RequestFactory factory;
    QString apiHost;
    bool bolServer = false;
    bool requestServerMode = false;
    std::vector<std::pair<QString, QString>> headers;
    int32_t lastStatus = 0;
    QString lastFailure;
    std::unique_ptr<HttpRequestObject> request;

    // One exchange on the kept request object; the reply text, or the failure envelope.
    QString Send(const QString& pStrMethod, const QString& pStrURL);
};

RestClient::RestClient() : RestClient(&MakeRealRequest) {}

// An empty factory stands for the real request object, so callers that may or may not have a
// scripted one hand theirs over as it is.
RestClient::RestClient(RequestFactory factory) : d(std::make_unique<Private>()) {
    d->factory = factory ? std::move(factory) : RequestFactory(&MakeRealRequest);
}

int32_t RestClient::LastStatus() const {
    return d->lastStatus;
}

const QString& RestClient::LastFailure() const {
    return d->lastFailure;
}

RestClient::~RestClient() = default;

void RestClient::SetAPIHost(const QString& pStrAPIHost) {
    d->apiHost = pStrAPIHost;
}

void RestClient::SetBolServer(bool pBolServer) {
    d->bolServer = pBolServer;
}

void RestClient::SetRequestHeader(const QString& name, const QString& value) {
    for (auto& header : d->headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0) {
            header.second = value;
            return;
        }
    }
    d->headers.emplace_back(name, value);
}

QString RestClient::RequestAddress(const QString& apiHost, const QString& path, const QString& params) {
    return apiHost + path + QLatin1Char('?') + params;
}

QString RestClient::GetRequest(const QString& pStrPath, const QString& pStrParams) {
    return d->Send(QStringLiteral("GET"), RequestAddress(d->apiHost, pStrPath, pStrParams));
}

QString RestClient::PatchRequest(const QString& pStrPath, const QString& pStrParams) {
    return d->Send(QStringLiteral("PATCH"), RequestAddress(d->apiHost, pStrPath, pStrParams));
}

QString RestClient::PostRequest(const QString& pStrPath, const QString& pStrParams) {
    return d->Send(QStringLiteral("POST"), RequestAddress(d->apiHost, pStrPath, pStrParams));
}

QString RestClient::DeleteRequest(const QString& pStrPath, const QString& pStrParams) {
    return d->Send(QStringLiteral("DELETE"), RequestAddress(d->apiHost, pStrPath, pStrParams));
}

QString RestClient::Private::Send(const QString& pStrMethod, const QString& pStrURL) {
    QString failure;
    lastStatus = 0;
    lastFailure.clear();
    const auto failed = [this](const QString& text) {
        lastFailure = text;
        return FailureEnvelope(text);
    };
    try {
        if (!request || requestServerMode != bolServer) {
            request.reset();
            request = factory ? factory(bolServer) : nullptr;
            if (!request)
                Raise(ErrorNumber::CannotCreateObject);
            requestServerMode = bolServer;
        }
        HttpRequestObject& exchange = *request;

        // Before every request, not only a new object's first: the object may have been reused.
        if (bolServer)
            exchange.SetTimeouts(60000, 30000, 30000, 300000);
        exchange.Open(pStrMethod, pStrURL, false);
        for (const auto& [name, value] : headers)
            exchange.SetRequestHeader(name, value);
        exchange.Send();

        if (exchange.readyState() != 4)
            return failed(QStringLiteral("Connection timed out"));
        lastStatus = exchange.Status();
        if (lastStatus != 200)
            return failed(exchange.StatusText());
        QString body = exchange.ResponseText();
        body.remove(QChar(10));
        body.remove(QChar(13));
        return body;
    } catch (...) {
        // Any failure of the request object that is no runtime error surfaces the way the runtime
        // reports a failed call on an automation object.
        failure = CurrentFailure(ErrorNumber::AutomationError).FailureText();
    }
    // A failed object is never trusted again: the next request starts from a fresh one.
    request.reset();
    return failed(failure);
}

} // namespace k7
