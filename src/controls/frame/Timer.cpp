#include "controls/frame/Timer.h"

#include "controls/frame/ControlBase.h"
#include "core/RuntimeError.h"

namespace k7 {

Timer::Timer(ControlBase& owner, const QString& name, int index)
    : QObject(&owner), ControlChild(owner, name, index) {
    setObjectName(name);
    timer_.setSingleShot(false);
    connect(&timer_, &QTimer::timeout, this, &Timer::Tick);
}

void Timer::SetInterval(int milliseconds) {
    if (milliseconds < 0)
        Raise(ErrorNumber::InvalidPropertyValue);
    interval_ = milliseconds;
    Reschedule();
}

void Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Reschedule();
}

void Timer::Fire() {
    emit Tick();
}

void Timer::Reschedule() {
    // Setting the interval or enabling restarts the count, as the toolkit's timer does.
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
    else
        timer_.stop();
}

} // namespace k7
