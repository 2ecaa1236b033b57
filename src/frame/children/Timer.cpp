#include "frame/children/Timer_p.h"

#include "core/RuntimeError.h"
#include "frame/control/ControlBase.h"
#include "frame/control/Description.h"

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

void Timer::Describe(Description& out) const {
    out.Field(QStringLiteral("interval"), Variant(int32_t(interval_)))
        .Field(QStringLiteral("enabled"), Variant(enabled_));
}

void Timer::Dispose() {
    // A tick already queued must not reach a handler of a timer the control let go of.
    timer_.stop();
    deleteLater();
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
