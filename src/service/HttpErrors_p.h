#pragma once

#include "core/RuntimeError.h"

#include <cstdint>

namespace k7 {

// The failures of the HTTP request layer. They carry the numbers and the wording the platform's
// request layer uses (HRESULTs of the 0x8007xxxx family, most of them wrapping a 12xxx internet
// error code), because hosts and support staff recognise those texts and PathControl treats some of
// them as transient by number. Every description ends with CR LF, as the platform's message texts
// do; the REST client keeps them raw in its failure envelope.
enum class HttpFailure {
    OutOfMemory,
    InvalidArgument,
    NotYetAvailable,
    TimedOut,
    InternalError,
    InvalidUrl,
    UnrecognizedScheme,
    NameNotResolved,
    OperationCancelled,
    IncorrectHandleState,
    ClientCertificateNeeded,
    InvalidCertificateAuthority,
    CannotConnect,
    ConnectionTerminated,
    InvalidServerResponse,
    RedirectFailed,
    SecureChannelError,
    SecureFailure,
};

// Number of a failure (signed, so most are negative).
int32_t HttpErrorNumber(HttpFailure failure);

// The error to raise for a failure; `detail` is appended to the description of an internal error.
RuntimeError HttpError(HttpFailure failure, const QString& detail = {});

// The failure a libcurl result code stands for (CURLE_OK is not a failure: internal error).
HttpFailure HttpFailureFromCurl(int curlCode);

} // namespace k7
