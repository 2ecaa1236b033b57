#pragma once

#include "ReopenSchedule.h"
#include "StaleMarks.h"
#include "WriteTally.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <vector>

namespace k7 {
class ControlBase;
struct RequestOutcome;
} // namespace k7

namespace k7::cli {

// What every k7 terminal does with the controls on its screen, whatever builds the screen (the
// fixed demo strip, a form made in Designer): opens each with Refresh(False), refreshes it with
// Refresh(True) on its period, refreshes a control that raised PropertyChanged (the period table
// after a view switch from its menus), and keeps what the status line reports: every write's
// outcome (WriteTally), the last failure a refresh raised to the host, and which controls show stale
// figures (StaleMarks, from every read's RequestFinished).
//
// A scheduled refresh skips a control whose request is still out (ServiceControl::RequestInFlight):
// with non-blocking requests a slow service must not pile refreshes on one control. A control
// without good figures (its first read or its last one failed) is opened again with Refresh(False)
// on the backoff of ReopenSchedule instead of being refreshed on its period, until a read is good.
class ControlSchedule : public QObject {
    Q_OBJECT
public:
    // `random` (numbers in [0, 1)) shifts the reopening delays; empty: the system's generator.
    explicit ControlSchedule(const ReopenSchedule::Backoff& backoff = {}, std::function<double()> random = {},
                             QObject* parent = nullptr);

    // Takes `control` into the schedule. `periodMs` > 0 gives it a timer of its own from Open on;
    // 0 leaves it to RefreshAll.
    void Add(ControlBase& control, int periodMs = 0);
    // Refresh(False) on every control, as when the screen opens, then starts the controls' timers.
    void Open();
    void RefreshAll(bool pBolOpened);
    // One host refresh; false when it was skipped because a request of the control is in flight.
    bool RefreshOne(ControlBase& control, bool pBolOpened);

    // Asked before every timed refresh of a control; true makes it Refresh(False) (rebuild) instead
    // of Refresh(True). A terminal that moves a control's date window with the clock uses it.
    void SetBeforeTimedRefresh(std::function<bool(ControlBase&)> hook) { beforeTimed_ = std::move(hook); }
    // Given before Open: the first timed refresh of a control of period P comes `delay(P)` ms after
    // the opening instead of P, the next ones every P after it. Many terminals opened together
    // would otherwise refresh in step for good.
    void SetFirstRefreshDelay(std::function<int(int periodMs)> delay) { firstDelay_ = std::move(delay); }

    const std::vector<ControlBase*>& Controls() const { return controls_; }
    const WriteTally& Writes() const { return writes_; }
    const StaleMarks& Marks() const { return marks_; }
    const ReopenSchedule& Reopens() const { return reopens_; }
    // "<control>: <failure>" of the last refresh that raised an error to the host; "" if none did.
    const QString& LastFailure() const { return lastFailure_; }
    int SkippedInFlight() const { return skippedInFlight_; }

signals:
    // Something the status line or the stale marks show has changed.
    void Changed();

private:
    void WatchViewChanges(ControlBase& control);
    void TimedRefresh(ControlBase& control);
    void Settled(ControlBase& control, const RequestOutcome& outcome);

    std::vector<ControlBase*> controls_;
    std::map<const ControlBase*, int> periods_;
    std::map<const ControlBase*, QVariant> builtShape_;
    std::function<bool(ControlBase&)> beforeTimed_;
    std::function<int(int)> firstDelay_;
    WriteTally writes_;
    StaleMarks marks_;
    ReopenSchedule reopens_;
    QString lastFailure_;
    int skippedInFlight_ = 0;
};

} // namespace k7::cli
