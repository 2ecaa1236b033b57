#include "service/RestClient.h"

#include "core/RuntimeError.h"
#include "service/HttpRequest.h"

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

RestClient::RestClient() : RestClient(&MakeRealRequest) {}

// An empty factory stands for the real request object, so callers that may or may not have a
// scripted one hand theirs over as it is.
RestClient::RestClient(RequestFactory factory)
    : factory_(factory ? std::move(factory) : RequestFactory(&MakeRealRequest)) {}

RestClient::~RestClient() = default;

void RestClient::SetAPIHost(const QString& pStrAPIHost) {
    apiHost_ = pStrAPIHost;
}

void RestClient::SetBolServer(bool pBolServer) {
    bolServer_ = pBolServer;
}

void RestClient::SetRequestHeader(const QString& name, const QString& value) {
    for (auto& header : headers_) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0) {
            header.second = value;
            return;
        }
    }
    headers_.emplace_back(name, value);
}

QString RestClient::RequestAddress(const QString& apiHost, const QString& path, const QString& params) {
    return apiHost + path + QLatin1Char('?') + params;
}

QString RestClient::GetRequest(const QString& pStrPath, const QString& pStrParams) {
    return SendRequest(QStringLiteral("GET"), RequestAddress(apiHost_, pStrPath, pStrParams));
}

QString RestClient::PatchRequest(const QString& pStrPath, const QString& pStrParams) {
    return SendRequest(QStringLiteral("PATCH"), RequestAddress(apiHost_, pStrPath, pStrParams));
}

QString RestClient::PostRequest(const QString& pStrPath, const QString& pStrParams) {
    return SendRequest(QStringLiteral("POST"), RequestAddress(apiHost_, pStrPath, pStrParams));
}

QString RestClient::DeleteRequest(const QString& pStrPath, const QString& pStrParams) {
    return SendRequest(QStringLiteral("DELETE"), RequestAddress(apiHost_, pStrPath, pStrParams));
}

QString RestClient::SendRequest(const QString& pStrMethod, const QString& pStrURL) {
    QString failure;
    lastStatus_ = 0;
    lastFailure_.clear();
    const auto failed = [this](const QString& text) {
        lastFailure_ = text;
        return FailureEnvelope(text);
    };
    try {
        if (!request_ || requestServerMode_ != bolServer_) {
            request_.reset();
            request_ = factory_ ? factory_(bolServer_) : nullptr;
            if (!request_)
                Raise(ErrorNumber::CannotCreateObject);
            requestServerMode_ = bolServer_;
        }
        HttpRequestObject& request = *request_;

        // Before every request, not only a new object's first: the object may have been reused.
        if (bolServer_)
            request.SetTimeouts(60000, 30000, 30000, 300000);
        request.Open(pStrMethod, pStrURL, false);
        for (const auto& [name, value] : headers_)
            request.SetRequestHeader(name, value);
        request.Send();

        if (request.readyState() != 4)
            return failed(QStringLiteral("Connection timed out"));
        lastStatus_ = request.Status();
        if (lastStatus_ != 200)
            return failed(request.StatusText());
        QString body = request.ResponseText();
        body.remove(QChar(10));
        body.remove(QChar(13));
        return body;
    } catch (...) {
        // Any failure of the request object that is no runtime error surfaces the way the runtime
        // reports a failed call on an automation object.
        failure = CurrentFailure(ErrorNumber::AutomationError).FailureText();
    }
    // A failed object is never trusted again: the next request starts from a fresh one.
    request_.reset();
    return failed(failure);
}

} // namespace k7
