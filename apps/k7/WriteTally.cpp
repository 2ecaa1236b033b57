#include "WriteTally.h"

#include "frame/WriteJournal.h"

#include <QUrl>

namespace k7::cli {

void WriteTally::Record(const WriteOutcome& outcome) {
    last_ = outcome;
    if (outcome.Verdict != WriteVerdict::Booked)
        ++notBooked_;
}

int WriteTally::Unconfirmed() const {
    if (const auto journal = WriteJournal::Active())
        return journal->Unconfirmed();
    return notBooked_;
}

QString WriteTally::Summary() const {
    const int unconfirmed = Unconfirmed();
    if (!last_ && unconfirmed == 0)
        return {};
    QString text = QStringLiteral("writes: %1 not confirmed").arg(unconfirmed);
    if (!last_)
        return text;
    QString detail;
    if (last_->Verdict == WriteVerdict::Unknown)
        detail = QStringLiteral("no answer");
    else if (last_->Verdict == WriteVerdict::Refused)
        detail = QStringLiteral("%1 %2").arg(last_->Status).arg(last_->Message).trimmed();
    text += QStringLiteral(", last %1 %2 %3")
                .arg(last_->Verb, QUrl(last_->Url).path(), WriteOutcome::VerdictName(last_->Verdict));
    if (!detail.isEmpty())
        text += QStringLiteral(" (%1)").arg(detail);
    return text + QStringLiteral(" at %1").arg(last_->Time.toString(QStringLiteral("HH:mm:ss")));
}

} // namespace k7::cli
