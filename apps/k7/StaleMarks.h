#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

namespace k7 {
struct RequestOutcome;
}

namespace k7::cli {

// Which controls of a terminal show figures that are no longer current, and since when. A control
// is marked when one of its reads fails and unmarked by its next good read: its own Error often
// stays empty by its rules when a refresh fails, and an operator must not take yesterday's OEE for
// today's. The age an operator reads is that of the last good reply ("stale 2 min"); a control that
// never had one says so.
//
// Pure bookkeeping: outcomes and the present moment come in from outside, so the rules hold the
// same under a test clock as on a terminal. Controls are known by name (their object names are
// unique on a form).
class StaleMarks {
public:
    // One read of `control` ended: `good` when the control's own rule accepted the reply, sent at
    // `sent`. An outcome sent before the control's last recorded one is an answer overtaken by a
    // later read and changes nothing.
    void Record(const QString& control, bool good, const QDateTime& sent, const QString& reason = {});
    void Record(const QString& control, const RequestOutcome& outcome);
    // A reply of any kind came from the service (`reached`), or none did: what the status line
    // says of the service.
    void RecordReach(bool reached, const QDateTime& when);

    bool Marked(const QString& control) const;
    QStringList MarkedControls() const; // by name, sorted
    std::optional<QDateTime> LastGood(const QString& control) const;
    // Why the marked control's last read failed ("no answer", "HTTP 500: ..."); "" when unmarked.
    QString Reason(const QString& control) const;
    // "" for a control that is not marked; else "stale 45 s", "stale 2 min", "stale 3 h",
    // "stale 2 d", or "no figures yet" when no read of it was ever good.
    QString AgeText(const QString& control, const QDateTime& now) const;
    // nullopt until any outcome arrived; then whether the last one got an answer.
    std::optional<bool> ServiceReachable() const { return reachable_; }

    // The age wording on its own: "45 s", "2 min", "3 h", "2 d" (whole units, rounded down).
    static QString Age(qint64 seconds);

    // A read still out long after it should have ended is marked before any time-out ends it:
    // "waiting 25 s" for a read sent at `sent` once it has been out longer than twice the
    // control's period `periodMs` and at least `leastMs`; "" before that or when none is out
    // (`sent` invalid).
    static constexpr int kLeastLongReadMs = 10000;
    static QString WaitText(const QDateTime& sent, int periodMs, const QDateTime& now,
                            int leastMs = kLeastLongReadMs);

private:
    struct State {
        std::optional<QDateTime> LastGood;
        QDateTime Latest;
        bool Marked = false;
        QString Reason;
    };
    std::map<QString, State> states_;
    std::optional<bool> reachable_;
    QDateTime reachChecked_;
};

} // namespace k7::cli
