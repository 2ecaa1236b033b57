#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

// Watches this thread's event loop while it runs: a precise 10 ms timer notes the gap between its
// ticks, so the longest gap is the longest the loop was kept from turning (a blocking request, a
// long paint), and how many gaps went over 50 ms, what an operator feels as a stutter.
class EventLoopWatch {
public:
    EventLoopWatch() {
        beat_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&beat_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            longest_ = std::max(longest_, now - lastBeat_);
            over50_ += now - lastBeat_ > 50 ? 1 : 0;
            lastBeat_ = now;
        });
        clock_.start();
        beat_.start(10);
    }
    void Stop() { beat_.stop(); }

    qint64 LongestBlockMs() const { return longest_; }
    int GapsOver50Ms() const { return over50_; }

private:
    QElapsedTimer clock_;
    QTimer beat_;
    qint64 lastBeat_ = 0;
    qint64 longest_ = 0;
    int over50_ = 0;
};
