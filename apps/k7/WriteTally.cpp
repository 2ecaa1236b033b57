#include "WriteTally.h"

#include "core/RuntimeError.h"
#include "frame/requests/WriteJournal.h"

#include <QUrl>

namespace k7::cli {

namespace {

QString ClockTime(const QDateTime& time) {
    return time.toString(QStringLiteral("HH:mm:ss"));
}

// "waiting", "sending" and "refused" parts of the journal's open entries; "" when it has none. A
// pending entry has an attempt out right now (a control's or the forwarder's): it waits for its
// answer, not for a send.
QString JournalSummary(const std::vector<WriteJournal::Entry>& open) {
    int waiting = 0;
    int sending = 0;
    QDateTime since;
    int refused = 0;
    const WriteJournal::Entry* lastRefused = nullptr;
    for (const WriteJournal::Entry& entry : open) {
        if (entry.State == QLatin1String("pending")) {
            ++sending;
        } else if (entry.AwaitsResend()) {
            ++waiting;
            if (!since.isValid() || entry.Time < since)
                since = entry.Time;
        } else {
            ++refused;
            lastRefused = &entry;
        }
    }
    QStringList parts;
    if (waiting > 0)
        parts << QStringLiteral("%1 waiting to send since %2").arg(waiting).arg(ClockTime(since));
    if (sending > 0)
        parts << QStringLiteral("%1 sending").arg(sending);
    if (lastRefused != nullptr) {
        const QString why = lastRefused->Message.isEmpty()
                                ? QStringLiteral("HTTP %1").arg(lastRefused->Status)
                                : lastRefused->Message;
        parts << (refused == 1 ? QStringLiteral("1 refused: %1").arg(why)
                               : QStringLiteral("%1 refused, last: %2").arg(refused).arg(why));
    }
    return parts.isEmpty() ? QString() : QStringLiteral("writes: ") + parts.join(QStringLiteral(", "));
}

} // namespace

void WriteTally::Record(const WriteOutcome& outcome) {
    last_ = outcome;
    if (outcome.Verdict != WriteVerdict::Booked)
        ++notBooked_;
}

QString WriteTally::Summary() const {
    if (const auto journal = WriteJournal::Active()) {
        try {
            return JournalSummary(journal->Unsettled());
        } catch (const RuntimeError&) {
        }
    }
    return RunSummary();
}

QString WriteTally::RunSummary() const {
    if (!last_)
        return {};
    QString text = QStringLiteral("writes: %1 not confirmed").arg(notBooked_);
    QString detail;
    if (last_->Verdict == WriteVerdict::Unknown)
        detail = QStringLiteral("no answer");
    else if (last_->Verdict == WriteVerdict::Refused)
        detail = QStringLiteral("%1 %2").arg(last_->Status).arg(last_->Message).trimmed();
    text += QStringLiteral(", last %1 %2 %3")
                .arg(last_->Verb, QUrl(last_->Url).path(), WriteOutcome::VerdictName(last_->Verdict));
    if (!detail.isEmpty())
        text += QStringLiteral(" (%1)").arg(detail);
    return text + QStringLiteral(" at %1").arg(ClockTime(last_->Time));
}

QString WriteTally::JournalFailure() const {
    const auto journal = WriteJournal::Active();
    return journal ? journal->LastFailure() : QString();
}

QString WriteTally::JournalState() const {
    if (!WriteJournal::Active())
        return QStringLiteral("journal off");
    const QString failure = JournalFailure();
    return failure.isEmpty() ? QString() : QStringLiteral("journal failing: ") + failure;
}

} // namespace k7::cli
