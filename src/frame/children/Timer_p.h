#pragma once

#include "frame/children/ControlChild.h"

#include <QObject>
#include <QTimer>

namespace k7 {

// A timer child of a control (tmrPath, Timer): ticks every Interval milliseconds while Enabled and
// the interval is above 0, on the UI thread. Whoever handles Tick must not let an error escape
// (ControlBase::RunHandler). Fire() delivers one tick at once, so tests drive ticks themselves.
//
// Defaults: interval 0, disabled.
class Timer : public QObject, public ControlChild {
    Q_OBJECT
public:
    Timer(ControlBase& owner, const QString& name, int index = -1);

    QString Kind() const override { return QStringLiteral("Timer"); }
    void Describe(Description& out) const override;

    int Interval() const { return interval_; }
    void SetInterval(int milliseconds); // negative: 380
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // One tick now, whatever the state of the timer.
    void Fire();

signals:
    void Tick();

private:
    void Reschedule();
    void Dispose() override;

    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = false;
};

} // namespace k7
