#include "StaleMarks.h"

#include "frame/requests/RequestOutcome.h"

#include <algorithm>

namespace k7::cli {

void StaleMarks::Record(const QString& control, bool good, const QDateTime& sent, const QString& reason) {
    State& state = states_[control];
    if (state.Latest.isValid() && sent.isValid() && sent < state.Latest)
        return;
    if (sent.isValid())
        state.Latest = sent;
    state.Marked = !good;
    state.Reason = good ? QString() : reason;
    if (good)
        state.LastGood = sent;
}

void StaleMarks::Record(const QString& control, const RequestOutcome& outcome) {
    // A reply names its status and what it said (a refusal in a 200 reply says it in its message);
    // without one the transfer's own failure text is the same for every control and says little
    // more to an operator than that the service did not answer.
    QString reason =
        outcome.Status == 0 ? QStringLiteral("no answer") : QStringLiteral("HTTP %1").arg(outcome.Status);
    if (outcome.Status != 0 && !outcome.Message.isEmpty())
        reason += QStringLiteral(": ") + outcome.Message;
    Record(control, outcome.Good, outcome.Time, reason);
    // A status, even 500, is the service answering; 0 is no answer at all.
    RecordReach(outcome.Status != 0, outcome.Time);
}

void StaleMarks::RecordReach(bool reached, const QDateTime& when) {
    if (reachChecked_.isValid() && when.isValid() && when < reachChecked_)
        return;
    if (when.isValid())
        reachChecked_ = when;
    reachable_ = reached;
}

bool StaleMarks::Marked(const QString& control) const {
    const auto found = states_.find(control);
    return found != states_.end() && found->second.Marked;
}

QStringList StaleMarks::MarkedControls() const {
    QStringList marked;
    for (const auto& [name, state] : states_)
        if (state.Marked)
            marked << name;
    return marked; // std::map keeps them sorted
}

std::optional<QDateTime> StaleMarks::LastGood(const QString& control) const {
    const auto found = states_.find(control);
    return found != states_.end() ? found->second.LastGood : std::nullopt;
}

QString StaleMarks::Reason(const QString& control) const {
    const auto found = states_.find(control);
    return found != states_.end() ? found->second.Reason : QString();
}

QString StaleMarks::AgeText(const QString& control, const QDateTime& now) const {
    const auto found = states_.find(control);
    if (found == states_.end() || !found->second.Marked)
        return {};
    if (!found->second.LastGood)
        return QStringLiteral("no figures yet");
    return QStringLiteral("stale ") + Age(std::max<qint64>(0, found->second.LastGood->secsTo(now)));
}

QString StaleMarks::WaitText(const QDateTime& sent, int periodMs, const QDateTime& now, int leastMs) {
    if (!sent.isValid())
        return {};
    const qint64 out = sent.msecsTo(now);
    if (out <= std::max<qint64>(2 * qint64(periodMs), leastMs))
        return {};
    return QStringLiteral("waiting ") + Age(out / 1000);
}

QString StaleMarks::Age(qint64 seconds) {
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min").arg(seconds / 60);
    if (seconds < 48 * 3600)
        return QStringLiteral("%1 h").arg(seconds / 3600);
    return QStringLiteral("%1 d").arg(seconds / 86400);
}

} // namespace k7::cli
