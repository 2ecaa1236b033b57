#include "ControlSchedule.h"

#include "core/RuntimeError.h"
#include "frame/control/ControlBase.h"
#include "frame/control/ServiceControl.h"
#include "frame/requests/RequestOutcome.h"

#include <QRandomGenerator>
#include <QTimer>

namespace k7::cli {

namespace {
// The property whose change needs a rebuilt grid, not just a reload: the table's Accumulated adds
// or removes its totals column.
const char* const kGridShape = "Accumulated";
// The property that is true once a control that loads only once has loaded.
const char* const kLoadsOnce = "Initializer";
// How soon a view change is tried again while the control's request is still out.
constexpr int kViewRetryMs = 100;

bool InFlight(const ControlBase& control) {
    return control.ReadInFlight();
}
} // namespace

ControlSchedule::ControlSchedule(const ReopenSchedule::Backoff& backoff, std::function<double()> random,
                                 QObject* parent)
    : QObject(parent),
      reopens_(
          backoff, random ? std::move(random) : [] { return QRandomGenerator::global()->generateDouble(); },
          [] { return QDateTime::currentDateTime(); }) {
    reopens_.SetReopen([this](ControlBase& control) {
        if (InFlight(control))
            return false;
        // A control that loads once and then keeps itself current (the cycle clock and its ticks)
        // does nothing on a Refresh until its host asks for a fresh start.
        if (control.metaObject()->indexOfProperty(kLoadsOnce) >= 0)
            control.setProperty(kLoadsOnce, false);
        RefreshOne(control, false);
        emit Changed();
        return true;
    });
}

void ControlSchedule::Add(ControlBase& control, int periodMs) {
    controls_.push_back(&control);
    periods_[&control] = periodMs;
    WatchViewChanges(control);
    // The name is read when the outcome arrives: a host may name the control after adding it.
    QObject::connect(&control, &ControlBase::ReadSettled, this,
                     [this, &control](const RequestOutcome& outcome) { Settled(control, outcome); });
    if (auto* service = qobject_cast<ServiceControl*>(&control))
        QObject::connect(service, &ServiceControl::WriteFinished, this, [this](const WriteOutcome& outcome) {
            writes_.Record(outcome);
            marks_.RecordReach(outcome.Status != 0, outcome.Time);
            emit Changed();
        });
}

void ControlSchedule::Open() {
    RefreshAll(false);
    for (ControlBase* control : controls_) {
        const int period = periods_[control];
        if (period <= 0)
            continue;
        // Owned by the control: a control that goes away takes its schedule with it.
        auto* timer = new QTimer(control);
        timer->setInterval(period);
        QObject::connect(timer, &QTimer::timeout, this, [this, control] { TimedRefresh(*control); });
        if (!firstDelay_) {
            timer->start();
            continue;
        }
        // A coarse timer of a whole number of seconds drifts onto the second's boundary, which would
        // put the timers the delay spread out back in step.
        timer->setTimerType(Qt::PreciseTimer);
        QTimer::singleShot(firstDelay_(period), Qt::PreciseTimer, timer, [this, control, timer] {
            TimedRefresh(*control);
            timer->start();
        });
    }
}

void ControlSchedule::RefreshAll(bool pBolOpened) {
    for (ControlBase* control : controls_)
        RefreshOne(*control, pBolOpened);
    emit Changed();
}

void ControlSchedule::Settled(ControlBase& control, const RequestOutcome& outcome) {
    marks_.Record(control.objectName(), outcome);
    if (outcome.Good)
        reopens_.Recovered(control);
    else
        reopens_.Failed(control);
    emit Changed();
}

void ControlSchedule::TimedRefresh(ControlBase& control) {
    // Opened again on its own backoff until it has good figures; a refresh on top would only
    // repeat the failure (and never restart a timer or list that stopped).
    if (reopens_.Reopening(control))
        return;
    // Checked before the hook: a window moved while a request is out would be written and then
    // never rebuilt, since the next tick finds it already moved.
    if (InFlight(control)) {
        ++skippedInFlight_;
        return;
    }
    const bool rebuild = beforeTimed_ && beforeTimed_(control);
    RefreshOne(control, !rebuild);
    emit Changed();
}

bool ControlSchedule::RefreshOne(ControlBase& control, bool pBolOpened) {
    if (InFlight(control)) {
        ++skippedInFlight_;
        return false;
    }
    if (!pBolOpened)
        builtShape_[&control] = control.property(kGridShape);
    try {
        control.Refresh(pBolOpened);
    } catch (const RuntimeError& error) {
        lastFailure_ = QStringLiteral("%1: %2").arg(control.objectName(), error.FailureText());
        reopens_.Failed(control);
    }
    return true;
}

void ControlSchedule::WatchViewChanges(ControlBase& control) {
    const int signal = control.metaObject()->indexOfSignal("PropertyChanged()");
    if (signal < 0)
        return;
    // The signal comes from inside the control's menu handler; a zero-time timer lets that return
    // before the refresh runs.
    auto* pending = new QTimer(&control);
    pending->setSingleShot(true);
    pending->setInterval(0);
    QMetaObject::connect(&control, signal, pending, QTimer::staticMetaObject.indexOfSlot("start()"));
    QObject::connect(pending, &QTimer::timeout, this, [this, &control, pending] {
        // The view change must not be lost to a reply still out: it is tried again shortly.
        if (InFlight(control)) {
            pending->start(kViewRetryMs);
            return;
        }
        pending->setInterval(0);
        RefreshOne(control, control.property(kGridShape) == builtShape_[&control]);
        emit Changed();
    });
}

} // namespace k7::cli
