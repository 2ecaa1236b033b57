#pragma once

#include "core/Clock_p.h"
#include "core/RuntimeError.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

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

// The failure text ("number-description") that `action` raises, or "no error".
template <class Action> QString FailureOf(Action&& action) {
    return Outcome([&] {
        action();
        return QStringLiteral("no error");
    });
}

// Holds the library's clock at `now`, or wherever the test moves it, until the guard goes; then
// the clock runs on the system's time again, so no frozen instant leaks into the next test.
struct FrozenClock {
    explicit FrozenClock(const Date& now) { Clock::Set(now); }
    ~FrozenClock() { Clock::UseSystemTime(); }
    FrozenClock(const FrozenClock&) = delete;
    FrozenClock& operator=(const FrozenClock&) = delete;
};

// Writes `bytes` to a new file at `path` (a form, a screen, a junk file) and gives back `path`.
inline QString WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << path.toStdString();
    return path;
}

inline QString ReadFile(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

// Turns this thread's event loop (when it has one) until `condition` holds, false if it did not
// within `limit`. The default limit only guards against a hang; nothing is timed. Between turns
// it sleeps briefly rather than spin a core that the server and request threads need.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto guard = std::chrono::steady_clock::now() + limit;
    while (!condition() && std::chrono::steady_clock::now() < guard) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return condition();
}

// What `read` gives (the caption unless told) of each visible member of a control array, `at(i)`
// the member of index i < count.
struct CaptionOf {
    template <class Member> QString operator()(const Member& member) const { return member.Caption(); }
};
template <class At, class Read = CaptionOf>
QStringList VisibleCaptions(int count, const At& at, const Read& read = {}) {
    QStringList shown;
    for (int i = 0; i < count; ++i)
        if (at(i).Visible())
            shown << read(at(i));
    return shown;
}

} // namespace k7::test
