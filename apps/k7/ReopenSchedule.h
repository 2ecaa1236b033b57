#pragma once

#include <QDateTime>
#include <QObject>

#include <functional>
#include <map>
#include <optional>

class QTimer;

namespace k7 {
class ControlBase;
}

namespace k7::cli {

// When a terminal opens a control again that has no good figures: one that never loaded, or whose
// last read failed. Such a control may have stopped on its own (the cycle clock starts ticking only
// after a good read, the scrap screen reads its causes only when opened), so the terminal opens it
// again with Refresh(False) until a read is good. Attempts back off exponentially from the first
// delay, doubling up to the longest, each shifted by a random part of up to +-Jitter, so a line of
// terminals that lost its service together does not come back as one burst.
//
// The schedule only decides when; `reopen` does the opening and says whether the attempt went out
// (false while the control's read is still out: the attempt is tried again after the same delay).
class ReopenSchedule : public QObject {
public:
    struct Backoff {
        int FirstMs = 2000;
        // Short enough that a control is open again within 24 s (the longest wait and its jitter)
        // of its service's return, however long the outage was; long enough that the attempts of
        // a fleet's controls spread over 20 s instead of coming back as one burst.
        int LongestMs = 20000;
        double Jitter = 0.2;
    };
    // `random` gives numbers in [0, 1); `now` is the present moment (for NextDue).
    ReopenSchedule(const Backoff& backoff, std::function<double()> random, std::function<QDateTime()> now,
                   QObject* parent = nullptr);
    ~ReopenSchedule() override;

    void SetReopen(std::function<bool(ControlBase&)> reopen) { reopen_ = std::move(reopen); }

    // The wait before attempt `attempt` (0 for the first), drawing one random number.
    int DelayMs(int attempt) const;

    // A read of `control` ended without good figures: an attempt is due after the next delay,
    // unless one is already waiting.
    void Failed(ControlBase& control);
    // A read of `control` was good: it leaves the schedule and its delays start over.
    void Recovered(const ControlBase& control);

    // Whether `control` has no good figures since its last failure (it is being opened again).
    bool Reopening(const ControlBase& control) const;
    // When the earliest waiting attempt is due; nullopt when none waits.
    std::optional<QDateTime> NextDue() const;

private:
    struct Pending {
        QTimer* Timer = nullptr; // owned by the control: a control that goes away takes it along
        int Attempts = 0;
        QDateTime Due;
        bool Reopening = false;
    };
    void Arm(Pending& pending, int delayMs);
    void Attempt(ControlBase& control);

    Backoff backoff_;
    std::function<double()> random_;
    std::function<QDateTime()> now_;
    std::function<bool(ControlBase&)> reopen_;
    std::map<const ControlBase*, Pending> pending_;
};

} // namespace k7::cli
