#pragma once

#include "core/RuntimeError.h"

#include <QString>

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <thread>

// Lets GoogleTest show texts as text, CR and LF made visible.
inline void PrintTo(const QString& text, std::ostream* os) {
    const QString shown = QString(text).replace(QChar(13), QStringLiteral("\\r"));
    *os << '"' << QString(shown).replace(QChar(10), QStringLiteral("\\n")).toStdString() << '"';
}

namespace k7::test {

// The numbers the request layer reports, written out so that a slip in its table shows.
namespace Raised {
constexpr int32_t TimedOut = -2147012894;
constexpr int32_t InvalidUrl = -2147012891;
constexpr int32_t UnrecognizedScheme = -2147012890;
constexpr int32_t IncorrectHandleState = -2147012877;
constexpr int32_t CannotConnect = -2147012867;
constexpr int32_t NotYetAvailable = -2147483638;
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

// Polls what another thread makes true; false if it did not happen within a few seconds.
inline bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace k7::test
