#include "core/Clock_p.h"

#include <QDateTime>

#include <mutex>

namespace k7 {

namespace {
// The plant's server threads read the clock too, so its state is guarded.
std::mutex clockMutex;
bool frozen = false;
Date frozenNow;

Date SystemNow() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    const Date day = Dates::DateSerial(d.year(), d.month(), d.day());
    const double seconds = t.hour() * 3600.0 + t.minute() * 60.0 + t.second() + t.msec() / 1000.0;
    return Dates::AddSeconds(day, seconds);
}
} // namespace

Date Clock::Now() {
    {
        std::lock_guard lock(clockMutex);
        if (frozen)
            return frozenNow;
    }
    return SystemNow();
}

void Clock::Set(Date now) {
    std::lock_guard lock(clockMutex);
    frozen = true;
    frozenNow = now;
}

void Clock::AdvanceSeconds(double seconds) {
    std::lock_guard lock(clockMutex);
    if (!frozen) {
        frozen = true;
        frozenNow = SystemNow();
    }
    frozenNow = Dates::AddSeconds(frozenNow, seconds);
}

void Clock::UseSystemTime() {
    std::lock_guard lock(clockMutex);
    frozen = false;
}

} // namespace k7
