#pragma once

#include "PlantReply.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace k7::plant {

// One write the plant carried out, as the write book lists it.
struct BookedWrite {
    QString Verb;    // "POST", "PATCH" or "DELETE"
    QString Path;    // without leading slashes, as counts and faults are keyed
    QString Query;   // as received, "" when none
    QString Key;     // the Idempotency-Key header, "" when none
    int Status = 0;  // HTTP status it was answered with
    QString Time;    // when it was carried out, "YYYYMMDDhhmmss"
    int Replays = 0; // how often the same key came again and got the first answer
};

// The writes (POST, PATCH, DELETE) the plant carried out, in order, and the first answer to each
// write sent with an idempotency key. A client that did not hear the answer to a write sends it
// again with the same key; the plant then answers as it did the first time and changes nothing, so
// a retry never books twice. Not thread-safe: the service keeps it under the model's lock, so a
// key is looked up and booked in one step with the write itself.
class WriteBook {
public:
    static bool IsWrite(const QString& method);

    // The first answer to the write with `key`, counting the replay; nothing for a key not booked
    // (or an empty one).
    std::optional<PlantReply> Replay(const QString& key);
    // Books a write carried out and answered with `reply`.
    void Book(const BookedWrite& write, const PlantReply& reply);

    const std::vector<BookedWrite>& Writes() const { return writes_; }
    // The writes as a reply envelope whose data lists them in order.
    PlantReply Listing() const;

private:
    struct Answered {
        size_t Index; // in writes_
        PlantReply Reply;
    };

    std::vector<BookedWrite> writes_;
    std::map<QString, Answered> byKey_;
};

} // namespace k7::plant
