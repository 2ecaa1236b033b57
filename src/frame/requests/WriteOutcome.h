#pragma once

#include "orvelk7controls_export.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>

#include <cstdint>

namespace k7 {

// How a write ended, as far as anyone on this side of the wire can know:
// - Booked: the service answered and the sending control's own rule judged the answer a success;
// - Refused: the service answered something else (an error status, a reply the rule turns down,
//   a reply that is no JSON);
// - Unknown: no answer came (no connection, a dropped connection, a time-out). The service may
//   or may not have booked it; only a retry with the same idempotency key settles that safely.
enum class WriteVerdict { Booked, Refused, Unknown };

// One write request a control sent (a scrap booking, a downtime justification) and its outcome,
// as the frame reports it to the host and records it in the write journal.
struct K7_EXPORT WriteOutcome {
    QString Verb;       // "POST", "PATCH", "DELETE"
    QString Url;        // the whole address, as sent
    int32_t Status = 0; // the HTTP status of the reply; 0 when none came
    QString Message;    // the reply's "message"; "" when the reply had none
    QDateTime Time;     // when it was sent
    WriteVerdict Verdict = WriteVerdict::Unknown;
    QString Key;          // the Idempotency-Key it carried
    qint64 JournalId = 0; // its entry in the write journal; 0 when no journal is in use
    bool NotJson = false; // a reply came, but it was no JSON (a proxy's page, a cut-off body)

    // "booked", "refused", "unknown": the words the dump, the journal and the status line use.
    static QString VerdictName(WriteVerdict verdict);
};

} // namespace k7

Q_DECLARE_METATYPE(k7::WriteOutcome)
