#include "service/HttpErrors_p.h"

#include <curl/curl.h>

#include <array>

namespace k7 {

namespace {

struct FailureEntry {
    HttpFailure failure;
    uint32_t hresult;
    const char* description;
};

// The one table of request-layer failures. Most numbers are HRESULT_FROM_WIN32 of an internet error
// code (0x80070000 | 12xxx); the texts are the platform's, each with its trailing CR LF.
constexpr std::array kFailures{
    FailureEntry{HttpFailure::OutOfMemory, 0x8007000Eu,
                 "Not enough storage is available to complete this operation.\r\n"},
    FailureEntry{HttpFailure::InvalidArgument, 0x80070057u, "The parameter is incorrect.\r\n"},
    FailureEntry{HttpFailure::NotYetAvailable, 0x8000000Au,
                 "The data necessary to complete this operation is not yet available.\r\n"},
    FailureEntry{HttpFailure::TimedOut, 0x80072EE2u, "The operation timed out\r\n"},
    FailureEntry{HttpFailure::InternalError, 0x80072EE4u,
                 "An internal error occurred in the HTTP request layer"},
    FailureEntry{HttpFailure::InvalidUrl, 0x80072EE5u, "The URL is invalid\r\n"},
    FailureEntry{HttpFailure::UnrecognizedScheme, 0x80072EE6u,
                 "The URL does not use a recognized protocol\r\n"},
    FailureEntry{HttpFailure::NameNotResolved, 0x80072EE7u,
                 "The server name or address could not be resolved\r\n"},
    FailureEntry{HttpFailure::OperationCancelled, 0x80072EF1u, "The operation has been canceled\r\n"},
    FailureEntry{HttpFailure::IncorrectHandleState, 0x80072EF3u,
                 "The requested operation cannot be carried out because the handle supplied is not in the "
                 "correct state\r\n"},
    FailureEntry{HttpFailure::ClientCertificateNeeded, 0x80072F0Cu,
                 "A certificate is required to complete client authentication\r\n"},
    FailureEntry{HttpFailure::InvalidCertificateAuthority, 0x80072F0Du,
                 "The certificate authority is invalid or incorrect\r\n"},
    FailureEntry{HttpFailure::CannotConnect, 0x80072EFDu,
                 "A connection with the server could not be established\r\n"},
    FailureEntry{HttpFailure::ConnectionTerminated, 0x80072EFEu,
                 "The connection with the server was terminated abnormally\r\n"},
    FailureEntry{HttpFailure::InvalidServerResponse, 0x80072F78u,
                 "The server returned an invalid or unrecognized response\r\n"},
    FailureEntry{HttpFailure::RedirectFailed, 0x80072F7Cu, "The HTTP redirect request failed\r\n"},
    FailureEntry{HttpFailure::SecureChannelError, 0x80072F7Du,
                 "An error occurred in the secure channel support\r\n"},
    FailureEntry{HttpFailure::SecureFailure, 0x80072F8Fu, "A security error occurred\r\n"},
};

const FailureEntry& EntryOf(HttpFailure failure) {
    for (const auto& entry : kFailures)
        if (entry.failure == failure)
            return entry;
    return EntryOf(HttpFailure::InternalError);
}

} // namespace

int32_t HttpErrorNumber(HttpFailure failure) {
    return static_cast<int32_t>(EntryOf(failure).hresult);
}

RuntimeError HttpError(HttpFailure failure, const QString& detail) {
    const FailureEntry& entry = EntryOf(failure);
    QString description = QString::fromLatin1(entry.description);
    // The internal error is the only catch-all; without the library's own words it would tell
    // support staff nothing, so it carries them before its line end.
    if (failure == HttpFailure::InternalError)
        description += (detail.isEmpty() ? QString() : QStringLiteral(" (") + detail + QLatin1Char(')')) +
                       QStringLiteral("\r\n");
    return RuntimeError(static_cast<int32_t>(entry.hresult), description, QStringLiteral("HttpRequest"));
}

HttpFailure HttpFailureFromCurl(int curlCode) {
    switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_URL_MALFORMAT:
        return HttpFailure::InvalidUrl;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
        return HttpFailure::NameNotResolved;
    case CURLE_COULDNT_CONNECT:
        return HttpFailure::CannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return HttpFailure::TimedOut;
    case CURLE_ABORTED_BY_CALLBACK:
        return HttpFailure::OperationCancelled;
    case CURLE_OUT_OF_MEMORY:
    case CURLE_WRITE_ERROR: // our body sink refuses data only when it cannot grow
        return HttpFailure::OutOfMemory;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return HttpFailure::ConnectionTerminated;
    // Open() has vetted the scheme already, so libcurl reports this only for a reply in a protocol
    // version it does not speak.
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_RANGE_ERROR:
        return HttpFailure::InvalidServerResponse;
    case CURLE_TOO_MANY_REDIRECTS: // also a redirect to an address that is not http or https
        return HttpFailure::RedirectFailed;
    case CURLE_SSL_CONNECT_ERROR:
        return HttpFailure::SecureChannelError;
    case CURLE_PEER_FAILED_VERIFICATION:
        return HttpFailure::InvalidCertificateAuthority;
    case CURLE_SSL_CERTPROBLEM:
        return HttpFailure::ClientCertificateNeeded;
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CIPHER:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
        return HttpFailure::SecureFailure;
    default:
        return HttpFailure::InternalError;
    }
}

} // namespace k7
