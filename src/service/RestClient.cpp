#include "service/RestClient.h"

#include "core/RuntimeError.h"
#include "service/HttpRequest.h"

#include <new>

namespace k7 {

namespace {

// The platform's response when a late-bound object cannot be created at all.
constexpr int32_t kCannotCreateObject = 429;

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

RestClient::RestClient(RequestFactory factory) : factory_(std::move(factory)) {}

RestClient::~RestClient() = default;

void RestClient::SetAPIHost(const QString& pStrAPIHost) {
    apiHost_ = pStrAPIHost;
}

void RestClient::SetBolServer(bool pBolServer) {
    bolServer_ = pBolServer;
}

QString RestClient::GetRequest(const QString& pStrPath, const QString& pStrParams) {
    return SendRequest(QStringLiteral("GET"), apiHost_ + pStrPath + QLatin1Char('?') + pStrParams);
}

QString RestClient::PatchRequest(const QString& pStrPath, const QString& pStrParams) {
    return SendRequest(QStringLiteral("PATCH"), apiHost_ + pStrPath + QLatin1Char('?') + pStrParams);
}

QString RestClient::PostRequest(const QString& pStrPath, const QString& pStrParams) {
    return SendRequest(QStringLiteral("POST"), apiHost_ + pStrPath + QLatin1Char('?') + pStrParams);
}

QString RestClient::DeleteRequest(const QString& pStrPath, const QString& pStrParams) {
    return SendRequest(QStringLiteral("DELETE"), apiHost_ + pStrPath + QLatin1Char('?') + pStrParams);
}

QString RestClient::SendRequest(const QString& pStrMethod, const QString& pStrURL) {
    int32_t number = 0;
    QString description;
    try {
        if (!request_ || requestServerMode_ != bolServer_) {
            request_.reset();
            request_ = factory_ ? factory_(bolServer_) : nullptr;
            if (!request_)
                throw RuntimeError(kCannotCreateObject,
                                   QStringLiteral("ActiveX component can't create object"));
            requestServerMode_ = bolServer_;
        }
        HttpRequestObject& request = *request_;

        // Before every request, not only a new object's first: the object may have been reused.
        if (bolServer_)
            request.SetTimeouts(60000, 30000, 30000, 300000);
        request.Open(pStrMethod, pStrURL, false);
        request.Send();

        if (request.readyState() != 4)
            return FailureEnvelope(QStringLiteral("Connection timed out"));
        if (request.Status() != 200)
            return FailureEnvelope(request.StatusText());
        QString body = request.ResponseText();
        body.remove(QChar(10));
        body.remove(QChar(13));
        return body;
    } catch (const RuntimeError& error) {
        number = error.Number();
        description = error.Description();
    } catch (const std::bad_alloc&) {
        number = ErrorNumber::OutOfMemory;
        description = StandardDescription(number);
    } catch (...) {
        // Any other failure of the request object surfaces the way the runtime reports a failed
        // call on an automation object.
        number = 440;
        description = StandardDescription(number);
    }
    // A failed object is never trusted again: the next request starts from a fresh one.
    request_.reset();
    return FailureEnvelope(FailureText(number, description));
}

} // namespace k7
