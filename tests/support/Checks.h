#pragma once

#include "core/RuntimeError.h"

#include <QString>

#include <chrono>
#include <functional>
#include <thread>
#include <type_traits>

namespace k7::test {

inline QString Shown(const QString& text) {
    return text;
}
inline QString Shown(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}
template <class Number>
requires std::is_arithmetic_v<Number> QString Shown(Number value) {
    return QString::number(value);
}

// What `action` gives, as text, or the failure text ("6-Overflow") of what it raises.
template <class Action> QString Outcome(Action&& action) {
    try {
        return Shown(action());
    } catch (const RuntimeError& error) {
        return error.FailureText();
    }
}

// Waits for what other threads (a request's worker, a server) make true; false if it did not
// happen. The limit only guards against a hang, nothing is timed.
inline bool WaitUntil(const std::function<bool()>& condition) {
    const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition() && std::chrono::steady_clock::now() < guard)
        std::this_thread::yield();
    return condition();
}

} // namespace k7::test
