#include "frame/requests/WriteJournal.h"

#include "core/RuntimeError.h"
#include "frame/requests/WriteSender_p.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace k7 {

namespace {

constexpr int32_t kFileAccessError = 75;
const QString kBooked = QStringLiteral("booked");

std::shared_ptr<WriteJournal>& ActiveJournal() {
    static std::shared_ptr<WriteJournal> journal;
    return journal;
}

// The entry a retry or a dismissal acts on: it must exist and not be booked.
WriteJournal::Entry OpenEntry(const WriteJournal& journal, qint64 id) {
    const std::optional<WriteJournal::Entry> entry = journal.Find(id);
    if (!entry)
        throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                           QStringLiteral("The write journal %1 has no entry %2").arg(journal.File()).arg(id),
                           QStringLiteral("WriteJournal"));
    if (entry->State == kBooked)
        throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                           QStringLiteral("Entry %1 of the write journal is booked already").arg(id),
                           QStringLiteral("WriteJournal"));
    return *entry;
}

} // namespace

struct WriteJournal::Database {
    QString file;
    QString connection;
    mutable QString lastFailure;

    [[noreturn]] void Fail(const QString& what, const QSqlError& error) const {
        lastFailure = QStringLiteral("%1: %2").arg(what, error.text().trimmed());
        throw RuntimeError(
            kFileAccessError,
            QStringLiteral("Path/File access error: write journal %1: %2").arg(file, lastFailure),
            QStringLiteral("WriteJournal"));
    }

    // Runs a statement that changes entries: written, it clears the last failure.
    QSqlQuery Change(const QString& statement, const QVariantList& values) const {
        QSqlQuery query = Run(statement, values);
        lastFailure.clear();
        return query;
    }

    QSqlDatabase Handle() const { return QSqlDatabase::database(connection, false); }

    // Runs one statement with its values bound in order; the query is positioned before its first row.
    QSqlQuery Run(const QString& statement, const QVariantList& values = {}) const {
        QSqlQuery query(Handle());
        if (!query.prepare(statement))
            Fail(QStringLiteral("cannot prepare"), query.lastError());
        for (const QVariant& value : values) {
            // A null QString binds as SQL NULL; the journal's texts are empty, never NULL.
            const bool nullText = value.typeId() == QMetaType::QString && value.toString().isNull();
            query.addBindValue(nullText ? QVariant(QStringLiteral("")) : value);
        }
        if (!query.exec())
            Fail(QStringLiteral("cannot run"), query.lastError());
        return query;
    }
};

WriteJournal::WriteJournal(const QString& file) : d(std::make_unique<Database>()) {
    static std::atomic<int> opened{0};
    d->file = file;
    d->connection = QStringLiteral("k7-write-journal-%1").arg(++opened);
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), d->connection);
        if (!database.isValid())
            d->Fail(QStringLiteral("no SQLite driver (Qt's SQLite plugin is missing)"), database.lastError());
        database.setDatabaseName(file);
        // A terminal and `k7 journal` may hold the file at once; wait for the other's commit.
        database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!database.open())
            d->Fail(QStringLiteral("cannot open"), database.lastError());
    }
    // Every commit reaches the disk before the request goes out: a crash or a power cut after it
    // still finds the entry. The write-ahead log lets a reader list entries while a terminal writes.
    d->Run(QStringLiteral("PRAGMA journal_mode=WAL"));
    d->Run(QStringLiteral("PRAGMA synchronous=FULL"));
    d->Run(QStringLiteral("CREATE TABLE IF NOT EXISTS writes ("
                          "id INTEGER PRIMARY KEY AUTOINCREMENT, time TEXT NOT NULL, verb TEXT NOT NULL, "
                          "url TEXT NOT NULL, state TEXT NOT NULL, status INTEGER NOT NULL DEFAULT 0, "
                          "message TEXT NOT NULL DEFAULT '', key TEXT NOT NULL, attempts INTEGER NOT NULL, "
                          "rule TEXT NOT NULL, notjson INTEGER NOT NULL DEFAULT 0)"));
    // Journals written before replies that were no JSON were told apart get the column, with
    // every earlier entry taken as a reply that was JSON.
    QSqlQuery columns =
        d->Run(QStringLiteral("SELECT COUNT(*) FROM pragma_table_info('writes') WHERE name = 'notjson'"));
    if (columns.next() && columns.value(0).toInt() == 0)
        d->Run(QStringLiteral("ALTER TABLE writes ADD COLUMN notjson INTEGER NOT NULL DEFAULT 0"));
}

WriteJournal::~WriteJournal() {
    const QString connection = d->connection;
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
}

const QString& WriteJournal::File() const {
    return d->file;
}

qint64 WriteJournal::Begin(const WriteOutcome& write, Judgement rule) {
    const QSqlQuery query =
        d->Change(QStringLiteral("INSERT INTO writes (time, verb, url, state, key, attempts, rule) "
                                 "VALUES (?, ?, ?, 'pending', ?, 1, ?)"),
                  {write.Time.toString(Qt::ISODateWithMs), write.Verb, write.Url, write.Key,
                   Envelope::JudgementName(rule)});
    return query.lastInsertId().toLongLong();
}

void WriteJournal::Finish(qint64 id, const WriteOutcome& outcome) {
    d->Change(
        QStringLiteral("UPDATE writes SET state = ?, status = ?, message = ?, notjson = ? WHERE id = ?"),
        {WriteOutcome::VerdictName(outcome.Verdict), outcome.Status, outcome.Message, outcome.NotJson ? 1 : 0,
         id});
}

WriteJournal::Attempt WriteJournal::BeginAttempt(qint64 id) {
    const Entry entry = OpenEntry(*this, id);
    Attempt attempt;
    HttpVerbFromName(entry.Verb, attempt.Verb);
    // The address was stored whole; it is sent again exactly as it was, through the same
    // concatenation the controls use (everything before the "?" as APIHost, no path).
    const qsizetype question = entry.Url.indexOf(QLatin1Char('?'));
    attempt.ApiHost = question < 0 ? entry.Url : entry.Url.left(question);
    attempt.Query = question < 0 ? QString() : entry.Url.mid(question + 1);
    attempt.Rule = entry.Rule;
    attempt.Write = WriteSender::NewWrite(attempt.Verb, entry.Url);
    attempt.Write.Key = entry.Key;
    attempt.Write.JournalId = id;
    d->Change(QStringLiteral("UPDATE writes SET state = 'pending', attempts = attempts + 1 WHERE id = ?"),
              {id});
    return attempt;
}

WriteOutcome WriteJournal::Retry(qint64 id, RestClient::RequestFactory factory) {
    Attempt attempt = BeginAttempt(id);
    WriteSender(std::move(factory))
        .Send(attempt.Write, attempt.Verb, attempt.ApiHost, QString(), attempt.Query, attempt.Rule);
    Finish(id, attempt.Write);
    return attempt.Write;
}

void WriteJournal::Dismiss(qint64 id) {
    OpenEntry(*this, id);
    d->Change(QStringLiteral("UPDATE writes SET state = 'dismissed' WHERE id = ?"), {id});
}

namespace {

const QString kColumns =
    QStringLiteral("id, time, verb, url, state, status, message, key, attempts, rule, notjson");

WriteJournal::Entry EntryOf(const QSqlQuery& row) {
    WriteJournal::Entry entry;
    entry.Id = row.value(0).toLongLong();
    entry.Time = QDateTime::fromString(row.value(1).toString(), Qt::ISODateWithMs);
    entry.Verb = row.value(2).toString();
    entry.Url = row.value(3).toString();
    entry.State = row.value(4).toString();
    entry.Status = row.value(5).toInt();
    entry.Message = row.value(6).toString();
    entry.Key = row.value(7).toString();
    entry.Attempts = row.value(8).toInt();
    Envelope::JudgementFromName(row.value(9).toString(), entry.Rule);
    entry.NotJson = row.value(10).toInt() != 0;
    return entry;
}

} // namespace

std::optional<WriteJournal::Entry> WriteJournal::Find(qint64 id) const {
    QSqlQuery query = d->Run(QStringLiteral("SELECT %1 FROM writes WHERE id = ?").arg(kColumns), {id});
    if (!query.next())
        return std::nullopt;
    return EntryOf(query);
}

std::vector<WriteJournal::Entry> WriteJournal::Entries() const {
    QSqlQuery query = d->Run(QStringLiteral("SELECT %1 FROM writes ORDER BY id").arg(kColumns));
    std::vector<Entry> entries;
    while (query.next())
        entries.push_back(EntryOf(query));
    return entries;
}

std::vector<WriteJournal::Entry> WriteJournal::Unsettled() const {
    QSqlQuery query =
        d->Run(QStringLiteral("SELECT %1 FROM writes WHERE state NOT IN ('booked', 'dismissed') ORDER BY id")
                   .arg(kColumns));
    std::vector<Entry> entries;
    while (query.next())
        entries.push_back(EntryOf(query));
    return entries;
}

bool WriteJournal::Entry::AwaitsResend() const {
    if (State == QLatin1String("pending") || State == QLatin1String("unknown"))
        return true;
    return State == QLatin1String("refused") &&
           !WriteSender::SettledByAnswer(WriteVerdict::Refused, Status, NotJson);
}

const QString& WriteJournal::LastFailure() const {
    return d->lastFailure;
}

bool WriteJournal::Recorded(const WriteOutcome& write) const {
    return write.JournalId != 0 && d->lastFailure.isEmpty();
}

int WriteJournal::Unconfirmed() const {
    QSqlQuery query =
        d->Run(QStringLiteral("SELECT COUNT(*) FROM writes WHERE state NOT IN ('booked', 'dismissed')"));
    return query.next() ? query.value(0).toInt() : 0;
}

std::shared_ptr<WriteJournal> WriteJournal::Active() {
    return ActiveJournal();
}

std::shared_ptr<WriteJournal> WriteJournal::Use(const QString& file) {
    ActiveJournal() = std::make_shared<WriteJournal>(file);
    return ActiveJournal();
}

void WriteJournal::StopUsing() {
    ActiveJournal().reset();
}

} // namespace k7
