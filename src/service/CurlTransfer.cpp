#include "service/CurlTransfer_p.h"

#include "service/HttpErrors_p.h"
#include "service/RequestCancel_p.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

namespace k7 {

namespace {

// libcurl reads a connect time-out of 0 as "its default of 300 s"; no limit has to be spelled out.
constexpr int64_t kNoLimitMs = INT_MAX;
// Longest single wait for the exchange's end; only bounds how stale the idle clock can get.
constexpr int kLongestPollMs = 1000;
// A Content-Length is a hint for reserving the body, not a promise; never reserve more than this.
constexpr qsizetype kLargestReservation = 64 * 1024 * 1024;
// Redirects followed for one request before it fails: enough for any sane chain of moves and
// load balancers, and a loop between two addresses ends quickly.
constexpr int kMostRedirects = 10;

bool IsFollowedRedirect(int32_t status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool StartsWithNoCase(QByteArrayView text, QByteArrayView prefix) {
    return text.size() >= prefix.size() && qstrnicmp(text.data(), prefix.data(), prefix.size()) == 0;
}

QByteArrayView WithoutLineEnd(QByteArrayView line) {
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
        line.chop(1);
    return line;
}

// A list of header lines for libcurl; false when it ran out of memory.
bool MakeHeaderList(const QList<QByteArray>& lines, CurlHeaderList& list) {
    curl_slist* head = nullptr;
    for (const QByteArray& line : lines) {
        curl_slist* longer = curl_slist_append(head, line.constData());
        if (longer == nullptr) {
            curl_slist_free_all(head);
            return false;
        }
        head = longer;
    }
    list.Reset(head);
    return true;
}

} // namespace

CurlTransfer::CurlTransfer() {
    if (!EnsureCurlInitialized())
        throw HttpError(HttpFailure::InternalError, QStringLiteral("libcurl could not be initialised"));
    easy_.Reset(curl_easy_init());
    if (!easy_)
        throw HttpError(HttpFailure::OutOfMemory);

    CURL* easy = easy_.Get();
    const bool ok =
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer_) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::TakeHeader) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, this) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::TakeBody) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, this) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &CurlTransfer::MarkRequestStart) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_PREREQDATA, this) == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L) == CURLE_OK &&
        // An empty proxy switches off libcurl's reading of http_proxy and friends: the library
        // takes no configuration from the environment.
        curl_easy_setopt(easy, CURLOPT_PROXY, "") == CURLE_OK &&
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) == CURLE_OK &&
        // Run() follows redirects itself: libcurl would send a custom method such as PATCH again
        // after a 303, where the platform's objects switch to GET.
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
        // An abandoned name look-up is left to finish on its own instead of being waited for, so
        // Cancel() never blocks on a slow resolver.
        curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L) == CURLE_OK;
    if (!ok)
        throw HttpError(HttpFailure::InternalError, QStringLiteral("libcurl rejected a request setting"));
}

void CurlTransfer::Prepare(const QByteArray& method, const QByteArray& url, const QList<QByteArray>& headers,
                           const Limits& limits, std::shared_ptr<ConnectionGroup> group,
                           std::function<void()> headersDone) {
    group_ = std::move(group);
    limits_ = limits;
    headersDone_ = std::move(headersDone);
    cancelled_.store(false, std::memory_order_release);
    errorBuffer_[0] = '\0';
    lastResult_ = CURLE_OK;
    status_ = 0;
    reason_.clear();
    contentType_.clear();
    body_.clear();

    if (!MakeHeaderList(headers, readHeaders_) ||
        !MakeHeaderList(QList<QByteArray>{QByteArrayLiteral("Content-Length: 0")} + headers, writeHeaders_))
        throw HttpError(HttpFailure::OutOfMemory);

    CURL* easy = easy_.Get();
    const bool ok =
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(limits.connectMs > 0 ? std::min(limits.connectMs, kNoLimitMs)
                                                                : kNoLimitMs)) == CURLE_OK &&
        SetTarget(method, url);
    if (!ok)
        throw HttpError(HttpFailure::InternalError, QStringLiteral("libcurl rejected a request setting"));
}

bool CurlTransfer::SetTarget(const QByteArray& method, const QByteArray& url) {
    method_ = method;
    CURL* easy = easy_.Get();
    const bool isRead = IsRead();
    return curl_easy_setopt(easy, CURLOPT_URL, url.constData()) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_NOBODY, method_ == "HEAD" ? 1L : 0L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, isRead ? nullptr : method_.constData()) ==
               CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_HTTPHEADER, isRead ? readHeaders_.Get() : writeHeaders_.Get()) ==
               CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, isRead ? 0L : 1L) == CURLE_OK;
}

int CurlTransfer::Run() {
    // A thread that watches a cancel lets another thread end this run; registered for exactly the
    // run's length, so a cancel never reaches a transfer that has gone back to the pool.
    RequestCancel* const cancel = RequestCancel::Current();
    if (cancel && !cancel->Enter(*this)) {
        std::snprintf(errorBuffer_, sizeof errorBuffer_, "cancelled before it was sent");
        return lastResult_ = CURLE_ABORTED_BY_CALLBACK;
    }
    struct Leaving {
        RequestCancel* cancel;
        ~Leaving() {
            if (cancel)
                cancel->Leave();
        }
    } leaving{cancel};
    return RunHops();
}

int CurlTransfer::RunHops() {
    const auto started = SteadyClock::now();
    for (int hop = 0;; ++hop) {
        // The limit on the whole exchange covers every hop, not each one afresh.
        int64_t totalLeft = 0;
        if (limits_.totalMs > 0) {
            const auto spent =
                std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - started).count();
            totalLeft = limits_.totalMs - spent;
            if (totalLeft <= 0) {
                std::snprintf(errorBuffer_, sizeof errorBuffer_, "no reply within %lld ms",
                              static_cast<long long>(limits_.totalMs));
                return lastResult_ = CURLE_OPERATION_TIMEDOUT;
            }
        }
        curl_easy_setopt(easy_.Get(), CURLOPT_TIMEOUT_MS, static_cast<long>(std::min(totalLeft, kNoLimitMs)));
        body_.clear();
        location_.clear();
        if (RunOnce() != CURLE_OK || !IsFollowedRedirect(status_) || location_.isEmpty())
            return lastResult_;

        char* next = nullptr;
        curl_easy_getinfo(easy_.Get(), CURLINFO_REDIRECT_URL, &next);
        const QByteArray target(next ? next : "");
        const QByteArray scheme = target.left(target.indexOf(':')).toLower();
        if (scheme != "http" && scheme != "https") {
            std::snprintf(errorBuffer_, sizeof errorBuffer_, "redirect to an address that is not http");
            return lastResult_ = CURLE_TOO_MANY_REDIRECTS;
        }
        if (hop == kMostRedirects) {
            std::snprintf(errorBuffer_, sizeof errorBuffer_, "more than %d redirects", kMostRedirects);
            return lastResult_ = CURLE_TOO_MANY_REDIRECTS;
        }
        // As browsers do: 303 turns every method but HEAD into GET, 301 and 302 turn POST into GET,
        // 307 and 308 keep the method.
        QByteArray method = method_;
        if ((status_ == 303 && method != "HEAD") || ((status_ == 301 || status_ == 302) && method == "POST"))
            method = "GET";
        if (!SetTarget(method, target)) {
            std::snprintf(errorBuffer_, sizeof errorBuffer_, "libcurl rejected the redirect target");
            return lastResult_ = CURLE_FAILED_INIT;
        }
    }
}

int CurlTransfer::RunOnce() {
    requestStarted_.store(false, std::memory_order_relaxed);
    status_ = 0;
    bool idleRanOut = false;
    lastResult_ = group_->Run(easy_.Get(), IsRead(), waiter_, [this, &idleRanOut] {
        if (cancelled_.load(std::memory_order_acquire))
            return ConnectionGroup::Verdict{CURLE_ABORTED_BY_CALLBACK, 0};
        const int64_t idleLeft = IdleMsLeft();
        idleRanOut = idleLeft == 0;
        if (idleRanOut)
            return ConnectionGroup::Verdict{CURLE_OPERATION_TIMEDOUT, 0};
        return ConnectionGroup::Verdict{
            CURLE_OK,
            idleLeft < 0 ? kLongestPollMs : static_cast<int>(std::min<int64_t>(idleLeft, kLongestPollMs))};
    });
    // Written only now: until the group let go of the exchange, libcurl may write the buffer.
    if (idleRanOut && lastResult_ == CURLE_OPERATION_TIMEDOUT)
        std::snprintf(errorBuffer_, sizeof errorBuffer_, "nothing received for %lld ms",
                      static_cast<long long>(limits_.idleMs));
    if (lastResult_ == CURLE_OK) {
        long status = 0;
        curl_easy_getinfo(easy_.Get(), CURLINFO_RESPONSE_CODE, &status);
        status_ = static_cast<int32_t>(status);
    }
    return lastResult_;
}

int64_t CurlTransfer::IdleMsLeft() const {
    if (limits_.idleMs <= 0 || !requestStarted_.load(std::memory_order_acquire))
        return -1;
    const auto deadline =
        SteadyClock::time_point(SteadyClock::duration(lastActivity_.load(std::memory_order_relaxed))) +
        std::chrono::milliseconds(limits_.idleMs);
    const auto now = SteadyClock::now();
    if (now >= deadline)
        return 0;
    // Rounded up, so the loop never wakes a fraction of a millisecond early and spins.
    return std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
}

void CurlTransfer::Cancel() noexcept {
    cancelled_.store(true, std::memory_order_release);
    // Whether this thread waits or drives the group just now, it looks at its cancel at once.
    waiter_.Interrupt();
    if (group_)
        group_->Wake();
}

void CurlTransfer::Forget() noexcept {
    group_.reset();
    headersDone_ = nullptr;
    reason_.clear();
    contentType_.clear();
    body_.clear();
}

QByteArray CurlTransfer::ErrorDetail() const {
    if (errorBuffer_[0] != '\0')
        return QByteArray(errorBuffer_);
    return QByteArray(curl_easy_strerror(static_cast<CURLcode>(lastResult_)));
}

int CurlTransfer::MarkRequestStart(void* self, char*, char*, int, int) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    // The connection is up (or reused) and the request is about to go: from here on the idle
    // limit applies instead of the connect limit.
    transfer->MarkActivity();
    transfer->requestStarted_.store(true, std::memory_order_release);
    return CURL_PREREQFUNC_OK;
}

size_t CurlTransfer::TakeHeader(char* data, size_t size, size_t count, void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    const size_t length = size * count;
    transfer->MarkActivity();
    try {
        const QByteArrayView line(data, static_cast<qsizetype>(length));
        if (line.startsWith("HTTP/"))
            transfer->ReadStatusLine(WithoutLineEnd(line));
        else
            transfer->ReadHeaderLine(WithoutLineEnd(line));
    } catch (...) {
        return 0; // only allocation can fail here; libcurl then ends the exchange
    }
    return length;
}

void CurlTransfer::ReadStatusLine(QByteArrayView line) {
    // A new head (after an interim 1xx reply) replaces everything read so far.
    status_ = 0;
    reason_.clear();
    contentType_.clear();
    location_.clear();
    const qsizetype codeStart = line.indexOf(' ');
    if (codeStart < 0)
        return;
    QByteArrayView rest = line.sliced(codeStart + 1);
    const qsizetype reasonStart = rest.indexOf(' ');
    const QByteArrayView code = reasonStart < 0 ? rest : rest.first(reasonStart);
    status_ = code.toInt();
    if (reasonStart >= 0)
        reason_ = rest.sliced(reasonStart + 1).toByteArray();
}

void CurlTransfer::ReadHeaderLine(QByteArrayView line) {
    if (line.isEmpty()) {
        // End of a head; only the final reply's head makes the state move on (neither an interim
        // 1xx nor a redirect that will be followed).
        const bool followed = IsFollowedRedirect(status_) && !location_.isEmpty();
        if (status_ >= 200 && !followed && headersDone_)
            headersDone_();
        return;
    }
    if (StartsWithNoCase(line, "location:")) {
        location_ = line.sliced(9).trimmed().toByteArray();
    } else if (StartsWithNoCase(line, "content-type:")) {
        contentType_ = line.sliced(13).trimmed().toByteArray();
    } else if (StartsWithNoCase(line, "content-length:")) {
        bool isNumber = false;
        const qlonglong expected = line.sliced(15).trimmed().toLongLong(&isNumber);
        if (isNumber && expected > 0)
            body_.reserve(static_cast<qsizetype>(std::min<qlonglong>(expected, kLargestReservation)));
    }
}

size_t CurlTransfer::TakeBody(char* data, size_t size, size_t count, void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    const size_t length = size * count;
    transfer->MarkActivity();
    try {
        transfer->body_.append(data, static_cast<qsizetype>(length));
    } catch (...) {
        return 0; // reported as a write error, which the failure table reads as out of memory
    }
    return length;
}

} // namespace k7
