#include "ReopenSchedule.h"

#include "frame/control/ControlBase.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace k7::cli {

ReopenSchedule::ReopenSchedule(const Backoff& backoff, std::function<double()> random,
                               std::function<QDateTime()> now, QObject* parent)
    : QObject(parent), backoff_(backoff), random_(std::move(random)), now_(std::move(now)) {}

ReopenSchedule::~ReopenSchedule() = default;

int ReopenSchedule::DelayMs(int attempt) const {
    // Doubled in floating point and capped before the jitter: a long outage counts many attempts,
    // and the longest wait is still shifted, or every terminal would retry on the same second.
    const double doubled = backoff_.FirstMs * std::pow(2.0, std::clamp(attempt, 0, 62));
    const double base = std::min<double>(doubled, backoff_.LongestMs);
    const double shift = backoff_.Jitter * (2 * random_() - 1);
    return static_cast<int>(std::lround(base * (1 + shift)));
}

void ReopenSchedule::Failed(ControlBase& control) {
    Pending& pending = pending_[&control];
    if (pending.Timer == nullptr) {
        pending.Timer = new QTimer(&control);
        pending.Timer->setSingleShot(true);
        QObject::connect(pending.Timer, &QTimer::timeout, this, [this, &control] { Attempt(control); });
        const ControlBase* key = &control;
        QObject::connect(&control, &QObject::destroyed, this, [this, key] { pending_.erase(key); });
    }
    pending.Reopening = true;
    if (!pending.Timer->isActive())
        Arm(pending, DelayMs(pending.Attempts));
}

void ReopenSchedule::Recovered(const ControlBase& control) {
    const auto found = pending_.find(&control);
    if (found == pending_.end())
        return;
    found->second.Timer->stop();
    found->second.Attempts = 0;
    found->second.Reopening = false;
}

bool ReopenSchedule::Reopening(const ControlBase& control) const {
    const auto found = pending_.find(&control);
    return found != pending_.end() && found->second.Reopening;
}

std::optional<QDateTime> ReopenSchedule::NextDue() const {
    std::optional<QDateTime> earliest;
    for (const auto& [control, pending] : pending_)
        if (pending.Timer->isActive() && (!earliest || pending.Due < *earliest))
            earliest = pending.Due;
    return earliest;
}

void ReopenSchedule::Arm(Pending& pending, int delayMs) {
    pending.Due = now_().addMSecs(delayMs);
    pending.Timer->start(delayMs);
}

void ReopenSchedule::Attempt(ControlBase& control) {
    const auto found = pending_.find(&control);
    if (found == pending_.end() || !found->second.Reopening)
        return;
    // Counted before the control is opened: a blocking read settles inside `reopen_`, and its
    // failure arms the next attempt with the next delay.
    ++found->second.Attempts;
    if (reopen_ && reopen_(control))
        return;
    // Its read is still out: what that read brings decides; until then the same wait again.
    if (const auto still = pending_.find(&control); still != pending_.end() && still->second.Reopening) {
        --still->second.Attempts;
        Arm(still->second, DelayMs(still->second.Attempts));
    }
}

} // namespace k7::cli
