#pragma once

#include "core/RuntimeError.h"
#include "support/Checks.h"
#include "support/Printers.h"

#include <QString>

#include <functional>
#include <optional>

namespace k7::test {

// The numbers the request layer reports, written out so that a slip in its table shows.
namespace Raised {
constexpr int32_t TimedOut = -2147012894;
constexpr int32_t InvalidUrl = -2147012891;
constexpr int32_t IncorrectHandleState = -2147012877;
constexpr int32_t CannotConnect = -2147012867;
constexpr int32_t NotYetAvailable = -2147483638;
constexpr int32_t InvalidArgument = -2147024809;
} // namespace Raised

inline std::optional<RuntimeError> ErrorOf(const std::function<void()>& action) {
    try {
        action();
        return std::nullopt;
    } catch (const RuntimeError& error) {
        return error;
    }
}

// The number `action` raises; 0 when it raises nothing.
inline int32_t Raises(const std::function<void()>& action) {
    const auto error = ErrorOf(action);
    return error ? error->Number() : 0;
}

} // namespace k7::test
