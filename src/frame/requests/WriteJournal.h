#pragma once

#include "frame/requests/Envelope.h"
#include "frame/requests/HttpVerb.h"
#include "frame/requests/WriteOutcome.h"
#include "orvelk7controls_export.h"
#include "service/RestClient.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace k7 {

// A durable record of every write the controls send, in an SQLite file, so that nothing an
// operator pressed is lost when the service, the network or the terminal itself fails.
//
// An entry is written before its request goes out (state "pending", a fresh idempotency key,
// attempts 1) and updated with the verdict when the request ends ("booked", "refused",
// "unknown"). Each change is committed to disk at once, so a terminal killed mid-request leaves the
// entry readable as "pending". An entry that is not booked can be sent again with the same key
// (Retry: a service that honours keys books it at most once) or set aside ("dismissed").
//
// It is off until the host turns it on: WriteJournal::Use("/var/lib/terminal/writes.db") makes
// every control of the process journal its writes there. Methods raise 75 "Path/File access error"
// naming the file when the database cannot be opened, read or written. One thread uses a journal.
class K7_EXPORT WriteJournal {
public:
    struct Entry {
        qint64 Id = 0;
        QDateTime Time; // when the first attempt was sent
        QString Verb;
        QString Url;
        QString State; // "pending", "booked", "refused", "unknown", "dismissed"
        int32_t Status = 0;
        QString Message;
        QString Key;
        int32_t Attempts = 0;
        Judgement Rule = Judgement::StatusIsZero; // the sending control's rule, for retries
        bool NotJson = false;                     // the last reply came but was no JSON

        // Whether sending it again may still book it: no answer yet (pending, unknown) or a refusal
        // that says nothing of the write itself (see WriteSender::SettledByAnswer).
        bool AwaitsResend() const;
    };

    // One more send of an entry, ready to go: the write under the entry's own key, and where to.
    struct Attempt {
        WriteOutcome Write;
        HttpVerb Verb = HttpVerb::Post;
        QString ApiHost;
        QString Query;
        Judgement Rule = Judgement::StatusIsZero;
    };

    // Opens the journal in `file`, creating the file and its table when missing.
    explicit WriteJournal(const QString& file);
    ~WriteJournal();
    WriteJournal(const WriteJournal&) = delete;
    WriteJournal& operator=(const WriteJournal&) = delete;

    const QString& File() const;

    // Records a write about to be sent; returns its id.
    qint64 Begin(const WriteOutcome& write, Judgement rule);
    // Records how the write of entry `id` ended.
    void Finish(qint64 id, const WriteOutcome& outcome);
    // Sends entry `id` again with its own key, waits and records the outcome (5 when it is booked).
    WriteOutcome Retry(qint64 id, RestClient::RequestFactory factory = {});
    // Retry's first half, for a sender that must not wait: records the attempt, returns what to send.
    Attempt BeginAttempt(qint64 id);
    // Sets an entry that is not booked aside; raises as Retry does.
    void Dismiss(qint64 id);

    std::optional<Entry> Find(qint64 id) const;
    std::vector<Entry> Entries() const;
    // The entries neither booked nor dismissed, oldest first.
    std::vector<Entry> Unsettled() const;
    // Entries neither booked nor dismissed: writes nobody has confirmed yet.
    int Unconfirmed() const;

    // Why the last change of an entry could not be written ("" when it was, or none failed yet);
    // the next change that is written clears it. Reading does not: a read-only file reads well.
    const QString& LastFailure() const;
    // Whether the journal holds `write` as it ended: its entry was made and its outcome written.
    // Asked right after WriteFinished.
    bool Recorded(const WriteOutcome& write) const;

    // The journal every control's writes go to; null (the default) when writes are not journalled.
    static std::shared_ptr<WriteJournal> Active();
    // Journals every later write of the process in `file` (opened as the constructor does).
    static std::shared_ptr<WriteJournal> Use(const QString& file);
    // Stops journalling; entries already written stay in the file.
    static void StopUsing();

private:
    struct Database;
    std::unique_ptr<Database> d;
};

} // namespace k7
