#pragma once

#include "frame/requests/WriteOutcome.h"

#include <QString>

#include <optional>

namespace k7::cli {

// What a terminal's status line says of the writes its controls sent.
//
// With a write journal in use it reads the journal, earlier runs' entries included (a booking
// lost in a crash still shows): how many writes wait to be sent again and since when, how many are
// out now, and which the service refused for good, with its message. Without one it counts this run's writes
// that were not booked and tells how the last one ended.
class WriteTally {
public:
    void Record(const WriteOutcome& outcome);

    // "" while there is nothing to say; else, with a journal, e.g.
    // "writes: 2 waiting to send since 14:02:11, 1 sending, 1 refused: Cause 99 unknown";
    // without one, e.g.
    // "writes: 1 not confirmed, last POST /results refused (500 Internal Server Error) at 10:31:02".
    QString Summary() const;
    // Why the journal cannot record writes ("" while it can, or none is in use).
    QString JournalFailure() const;
    // "journal off" with no journal, "journal failing: <reason>", or "" while it records.
    QString JournalState() const;

private:
    QString RunSummary() const;

    std::optional<WriteOutcome> last_;
    int notBooked_ = 0;
};

} // namespace k7::cli
