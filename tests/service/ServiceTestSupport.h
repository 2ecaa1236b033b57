#pragma once

#include "support/Checks.h"
#include "support/Printers.h"

#include "service/HttpRequest_p.h"

#include <QString>

#include <functional>

namespace k7::test {

// The kinds of request object, and the verb of the reads these tests send.
using Kind = HttpRequest::Kind;
inline const QString kGet = QStringLiteral("GET");

// The numbers the request layer reports, written out so that a slip in its table shows.
namespace Raised {
constexpr int32_t TimedOut = -2147012894;
constexpr int32_t InvalidUrl = -2147012891;
constexpr int32_t IncorrectHandleState = -2147012877;
constexpr int32_t NotYetAvailable = -2147483638;
constexpr int32_t InvalidArgument = -2147024809;
} // namespace Raised

// The number `action` raises; 0 when it raises nothing.
inline int32_t Raises(const std::function<void()>& action) {
    try {
        action();
        return 0;
    } catch (const RuntimeError& error) {
        return error.Number();
    }
}

} // namespace k7::test
