#include "service/HttpRequest_p.h"

#include "service/ConnectionGroup_p.h"
#include "service/CurlTransfer_p.h"
#include "service/HttpErrors_p.h"
#include "service/ReplyText_p.h"
#include "service/TransferPool_p.h"

#include <cctype>
#include <system_error>

namespace k7 {

namespace {

constexpr int32_t kUninitialised = 0;
constexpr int32_t kOpened = 1;
constexpr int32_t kSent = 2;
constexpr int32_t kReceiving = 3;
constexpr int32_t kComplete = 4;

// The client kind's fixed limits.
constexpr CurlTransfer::Limits kClientLimits{30000, 60000, 120000};

bool IsTokenChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool IsSchemeChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

// The address as it goes on the wire. The platform's objects send blanks in the path and query as
// %20; here every byte that libcurl's URL parser refuses there (C0 controls, the blank, DEL) is
// percent-encoded the same way, and so are non-ASCII bytes (the text is UTF-8 by now), which libcurl
// would pass on raw where the platform sends them encoded. So is "#": callers put values into the
// query as they stand, and a "#" in one ("Session=a#b") would end the address there as a fragment,
// dropping the rest of that value and every parameter after it. Nothing else is touched: "%", "&",
// "=", "?" and "/" stay as the caller concatenated them. The scheme and host are left alone, so an
// unusable host still fails as an invalid address.
QByteArray EncodeForWire(const QByteArray& url) {
    const qsizetype authority = url.indexOf("://");
    if (authority < 0)
        return url;
    qsizetype start = authority + 3;
    while (start < url.size() && !QByteArrayView("/?#").contains(url[start]))
        ++start;
    QByteArray wire = url.left(start);
    for (qsizetype i = start; i < url.size(); ++i) {
        const auto byte = static_cast<unsigned char>(url[i]);
        if (byte > 0x20 && byte < 0x7F && byte != '#') {
            wire += static_cast<char>(byte);
        } else {
            wire += '%';
            wire += "0123456789ABCDEF"[byte >> 4];
            wire += "0123456789ABCDEF"[byte & 0xF];
        }
    }
    return wire;
}

CurlTransfer::Limits ServerLimits(const std::array<int32_t, 4>& timeouts) {
    const auto [resolve, connect, send, receive] = timeouts;
    auto bounded = [](int32_t ms) { return ms > 0; };
    CurlTransfer::Limits limits;
    if (bounded(connect))
        limits.connectMs = int64_t{connect} + (bounded(resolve) ? resolve : 0);
    if (bounded(receive))
        limits.idleMs = receive;
    if (bounded(resolve) && bounded(connect) && bounded(send) && bounded(receive))
        limits.totalMs = int64_t{resolve} + connect + send + receive;
    return limits;
}

} // namespace

HttpRequest::HttpRequest(Kind kind, std::shared_ptr<ConnectionGroup> group)
    : kind_(kind), group_(std::move(group)) {}

HttpRequest::~HttpRequest() {
    StopExchange();
    ReleaseTransfer();
}

void HttpRequest::Open(const QString& method, const QString& url, bool async) {
    StopExchange();
    ClearOutcome();
    readyState_.store(kUninitialised, std::memory_order_release);
    CheckToken(method);
    QByteArray urlBytes = EncodeForWire(url.toUtf8());
    CheckUrl(urlBytes);
    method_ = method.toUtf8();
    url_ = std::move(urlBytes);
    headers_.clear();
    async_ = async;
    readyState_.store(kOpened, std::memory_order_release);
}

void HttpRequest::SetRequestHeader(const QString& name, const QString& value) {
    if (readyState_.load(std::memory_order_acquire) != kOpened)
        throw HttpError(HttpFailure::IncorrectHandleState);
    // A name is a token; a value must not break the line (no CR, LF or NUL), so nothing the caller
    // passes can add a header or a request of its own.
    CheckToken(name);
    const QByteArray bytes = value.toUtf8();
    if (bytes.contains('\r') || bytes.contains('\n') || bytes.contains('\0'))
        throw HttpError(HttpFailure::InvalidArgument);
    headers_.append(name.toLatin1() + ": " + bytes);
}

void HttpRequest::Send() {
    if (readyState_.load(std::memory_order_acquire) != kOpened)
        throw HttpError(HttpFailure::IncorrectHandleState);
    if (!transfer_) {
        pool_ = TransferPool::ForThisThread();
        transfer_ = pool_->Take();
    }
    transfer_->Prepare(method_, url_, headers_,
                       kind_ == Kind::Client ? kClientLimits : ServerLimits(timeouts_),
                       group_ ? group_ : ConnectionGroup::ProcessWide(), [this] {
                           int32_t sent = kSent;
                           readyState_.compare_exchange_strong(sent, kReceiving);
                       });

    readyState_.store(kSent, std::memory_order_release);
    if (async_) {
        try {
            worker_ = std::thread(&HttpRequest::RunExchange, this);
        } catch (const std::system_error&) {
            readyState_.store(kOpened, std::memory_order_release);
            throw HttpError(HttpFailure::InternalError, QStringLiteral("no thread for the request"));
        }
        return;
    }
    RunExchange();
    if (failure_)
        throw *failure_;
}

void HttpRequest::Abort() {
    StopExchange();
    ClearOutcome();
    readyState_.store(kUninitialised, std::memory_order_release);
}

int32_t HttpRequest::readyState() const {
    return readyState_.load(std::memory_order_acquire);
}

int32_t HttpRequest::Status() const {
    RequireOutcome();
    if (timedOut_)
        return kHttpTimeoutStatus;
    if (failure_)
        throw *failure_;
    return status_;
}

QString HttpRequest::StatusText() const {
    RequireOutcome();
    if (timedOut_)
        return {};
    if (failure_)
        throw *failure_;
    return statusText_;
}

QString HttpRequest::ResponseText() const {
    RequireOutcome();
    if (timedOut_)
        return {};
    if (failure_)
        throw *failure_;
    return responseText_;
}

void HttpRequest::SetTimeouts(int32_t resolveMs, int32_t connectMs, int32_t sendMs, int32_t receiveMs) {
    if (kind_ == Kind::Client)
        throw RuntimeError::Standard(ErrorNumber::ObjectDoesNotSupportMember);
    for (const int32_t ms : {resolveMs, connectMs, sendMs, receiveMs})
        if (ms < -1)
            throw HttpError(HttpFailure::InvalidArgument);
    timeouts_ = {resolveMs, connectMs, sendMs, receiveMs};
}

void HttpRequest::UseConnectionGroup(std::shared_ptr<ConnectionGroup> group) {
    group_ = std::move(group);
}

void HttpRequest::StopExchange() noexcept {
    if (!worker_.joinable())
        return;
    transfer_->Cancel();
    worker_.join();
}

void HttpRequest::ReleaseTransfer() noexcept {
    if (pool_)
        pool_->Give(std::move(transfer_));
    transfer_.reset();
}

void HttpRequest::RunExchange() noexcept {
    try {
        const int result = transfer_->Run();
        if (result == CURLE_OK) {
            status_ = transfer_->Status();
            statusText_ = ReplyText::DecodeReasonPhrase(transfer_->ReasonPhrase());
            responseText_ = ReplyText::DecodeBody(transfer_->Body(), transfer_->ContentType());
        } else {
            const HttpFailure failure = HttpFailureFromCurl(result);
            timedOut_ = failure == HttpFailure::TimedOut;
            failure_ = HttpError(failure, QString::fromUtf8(transfer_->ErrorDetail()));
        }
    } catch (const RuntimeError& error) {
        failure_ = error;
    } catch (...) {
        // Decoding is the only other work here, and it fails only for want of memory.
        failure_ = HttpError(HttpFailure::OutOfMemory);
    }
    readyState_.store(kComplete, std::memory_order_release);
}

void HttpRequest::ClearOutcome() noexcept {
    failure_.reset();
    timedOut_ = false;
    status_ = 0;
    statusText_.clear();
    responseText_.clear();
}

void HttpRequest::RequireOutcome() const {
    if (readyState_.load(std::memory_order_acquire) != kComplete)
        throw HttpError(HttpFailure::NotYetAvailable);
}

void HttpRequest::CheckToken(const QString& token) {
    if (token.isEmpty())
        throw HttpError(HttpFailure::InvalidArgument);
    for (const QChar c : token)
        if (c.unicode() > 0x7F || !IsTokenChar(static_cast<char>(c.unicode())))
            throw HttpError(HttpFailure::InvalidArgument);
}

void HttpRequest::CheckUrl(const QByteArray& url) {
    // The scheme is judged here rather than by libcurl, which would guess "http" for an address
    // without one and so send a request the caller never meant.
    const qsizetype colon = url.indexOf(':');
    if (colon <= 0 || !std::isalpha(static_cast<unsigned char>(url[0])))
        throw HttpError(HttpFailure::InvalidUrl);
    for (qsizetype i = 0; i < colon; ++i)
        if (!IsSchemeChar(url[i]))
            throw HttpError(HttpFailure::InvalidUrl);
    const QByteArray scheme = url.left(colon).toLower();
    if (scheme != "http" && scheme != "https")
        throw HttpError(HttpFailure::UnrecognizedScheme);
    // An authority must follow "//": libcurl would take "http:///x" for the host "x".
    const QByteArrayView afterScheme = QByteArrayView(url).sliced(colon + 1);
    if (!afterScheme.startsWith("//") || afterScheme.size() == 2 ||
        QByteArrayView("/?#").contains(afterScheme[2]) || url.contains('\0'))
        throw HttpError(HttpFailure::InvalidUrl);

    if (!EnsureCurlInitialized())
        throw HttpError(HttpFailure::InternalError, QStringLiteral("libcurl could not be initialised"));
    // libcurl's own parser with the flags the request will use: whatever it still refuses (a blank
    // or control character in the host, a bad port, no host) is refused here, before anything is
    // sent.
    CurlUrlHandle parsed(curl_url());
    if (!parsed)
        throw HttpError(HttpFailure::OutOfMemory);
    if (curl_url_set(parsed.Get(), CURLUPART_URL, url.constData(), CURLU_PATH_AS_IS) != CURLUE_OK)
        throw HttpError(HttpFailure::InvalidUrl);
    char* host = nullptr;
    const bool hasHost = curl_url_get(parsed.Get(), CURLUPART_HOST, &host, 0) == CURLUE_OK && host && *host;
    curl_free(host);
    if (!hasHost)
        throw HttpError(HttpFailure::InvalidUrl);
}

} // namespace k7
