#pragma once

#include "core/RuntimeError.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>

// Lets GoogleTest show texts as text, CR and LF made visible.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"'
        << QString(text)
               .replace(QLatin1Char('\r'), QLatin1String("\\r"))
               .replace(QLatin1Char('\n'), QLatin1String("\\n"))
               .toStdString()
        << '"';
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

// `text` with bytes outside printable ASCII as \xNN: stable names for parameterised tests.
inline std::string Printable(std::string_view text) {
    std::string out;
    for (const char c : text) {
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(c));
        out += c >= 0x20 && c < 0x7F ? std::string(1, c) : std::string(escaped);
    }
    return out;
}

inline std::optional<RuntimeError> ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& error) {
        return error;
    }
    return std::nullopt;
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
