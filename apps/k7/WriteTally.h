#pragma once

#include "frame/WriteOutcome.h"

#include <QString>

#include <optional>

namespace k7::cli {

// What a terminal's status line says of the writes its controls sent: how many nobody has
// confirmed yet and how the last one ended. With a write journal in use the count is the
// journal's (entries neither booked nor dismissed, earlier runs' included: a booking lost in a
// crash still shows); without one it counts this run's writes that were not booked.
class WriteTally {
public:
    void Record(const WriteOutcome& outcome);

    int Unconfirmed() const;
    // "" while there is nothing to say; else e.g.
    // "writes: 1 not confirmed, last POST /results refused (500 Internal Server Error) at 10:31:02".
    QString Summary() const;

private:
    std::optional<WriteOutcome> last_;
    int notBooked_ = 0;
};

} // namespace k7::cli
