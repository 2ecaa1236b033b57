#include "Commands.h"

#include "core/RuntimeError.h"
#include "frame/requests/WriteJournal.h"
#include "json/JsonBag.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <optional>

namespace k7::cli {

namespace {

const char* const kJournalHelp =
    "usage: k7 journal FILE [--json]\n"
    "       k7 journal FILE --retry ID\n"
    "       k7 journal FILE --dismiss ID\n"
    "\n"
    "Reads the write journal a terminal keeps (k7 terminal, by default\n"
    "~/.local/state/orvelk7/journal.db; k7 demo --journal FILE, k7 show --journal FILE, or an\n"
    "application that calls WriteJournal::Use): every scrap booking and justification the\n"
    "controls sent, with its state: pending (sent, no outcome recorded: the terminal stopped while\n"
    "it was out), booked, refused (the service answered no), unknown (no answer came), dismissed.\n"
    "\n"
    "  --json        one JSON object per line: id, time, verb, url, state, status, message, key,\n"
    "                attempts\n"
    "  --retry ID    sends entry ID again with its own idempotency key (a service that honours\n"
    "                keys books it at most once), judges the reply by the rule of the control\n"
    "                that made it and records the outcome; not for a booked entry\n"
    "  --dismiss ID  sets entry ID aside (state dismissed); not for a booked entry\n"
    "\n"
    "Exit status: 0 done (a retry: booked); 1 no journal at FILE, the file cannot be used, no such\n"
    "entry, or a retry that did not book; 2 bad usage.\n";

struct JournalOptions {
    QString File;
    bool Json = false;
    enum class Action { List, Retry, Dismiss } What = Action::List;
    qint64 Id = 0;
};

std::optional<JournalOptions> ParseOptions(const QStringList& args, QString& problem) {
    JournalOptions options;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--json")) {
            options.Json = true;
        } else if (arg == QLatin1String("--retry") || arg == QLatin1String("--dismiss")) {
            if (options.What != JournalOptions::Action::List) {
                problem = QStringLiteral("one --retry or --dismiss at a time");
                return std::nullopt;
            }
            bool ok = false;
            options.Id = i + 1 < args.size() ? args[++i].toLongLong(&ok) : 0;
            if (!ok || options.Id <= 0) {
                problem = QStringLiteral("%1 wants an entry id").arg(arg);
                return std::nullopt;
            }
            options.What = arg == QLatin1String("--retry") ? JournalOptions::Action::Retry
                                                           : JournalOptions::Action::Dismiss;
        } else if (arg.startsWith(QLatin1String("--")) || !options.File.isEmpty()) {
            problem = QStringLiteral("unexpected argument '%1'").arg(arg);
            return std::nullopt;
        } else {
            options.File = arg;
        }
    }
    if (options.File.isEmpty()) {
        problem = QStringLiteral("name the journal FILE");
        return std::nullopt;
    }
    return options;
}

void PrintLine(const QString& text) {
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stdout);
}

QString JsonLine(const WriteJournal::Entry& entry) {
    auto line = JsonBag::Create();
    const auto set = [&line](const char* name, const Variant& value) {
        line->SetItem(Variant(QString::fromLatin1(name)), value);
    };
    set("id", Variant(static_cast<double>(entry.Id)));
    set("time", Variant(entry.Time.toString(Qt::ISODateWithMs)));
    set("verb", Variant(entry.Verb));
    set("url", Variant(entry.Url));
    set("state", Variant(entry.State));
    set("status", Variant(entry.Status));
    set("message", Variant(entry.Message));
    set("key", Variant(entry.Key));
    set("attempts", Variant(entry.Attempts));
    return line->JSON();
}

void List(const WriteJournal& journal, bool json) {
    const std::vector<WriteJournal::Entry> entries = journal.Entries();
    if (!json)
        PrintLine(QStringLiteral("%1  %2  %3  %4  %5  %6  %7")
                      .arg(QStringLiteral("id"), 4)
                      .arg(QStringLiteral("time"), -23)
                      .arg(QStringLiteral("state"), -9)
                      .arg(QStringLiteral("sends"), 5)
                      .arg(QStringLiteral("status"), 6)
                      .arg(QStringLiteral("request"))
                      .arg(QStringLiteral("message")));
    for (const WriteJournal::Entry& entry : entries) {
        if (json) {
            PrintLine(JsonLine(entry));
            continue;
        }
        PrintLine(QStringLiteral("%1  %2  %3  %4  %5  %6  %7")
                      .arg(entry.Id, 4)
                      .arg(entry.Time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), -23)
                      .arg(entry.State, -9)
                      .arg(entry.Attempts, 5)
                      .arg(entry.Status, 6)
                      .arg(entry.Verb + QLatin1Char(' ') + entry.Url)
                      .arg(entry.Message));
    }
    if (!json)
        PrintLine(
            QStringLiteral("%1 entries, %2 not confirmed").arg(entries.size()).arg(journal.Unconfirmed()));
}

} // namespace

int RunJournal(int argc, char** argv, const QStringList& args) {
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kJournalHelp, stdout);
        return 0;
    }
    QString problem;
    const std::optional<JournalOptions> options = ParseOptions(args, problem);
    if (!options) {
        std::fprintf(stderr, "k7 journal: %s\n\n%s", qPrintable(problem), kJournalHelp);
        return 2;
    }
    // The SQLite driver is a Qt plugin, found through the application's library paths.
    QCoreApplication application(argc, argv);
    // Opening would create it: a name mistyped must not list an empty journal.
    if (!QFileInfo::exists(options->File)) {
        std::fprintf(stderr, "k7 journal: no journal at %s\n", qPrintable(options->File));
        return 1;
    }
    try {
        WriteJournal journal(options->File);
        switch (options->What) {
        case JournalOptions::Action::List:
            List(journal, options->Json);
            return 0;
        case JournalOptions::Action::Dismiss:
            journal.Dismiss(options->Id);
            PrintLine(QStringLiteral("entry %1 dismissed").arg(options->Id));
            return 0;
        case JournalOptions::Action::Retry: {
            const WriteOutcome outcome = journal.Retry(options->Id);
            PrintLine(QStringLiteral("entry %1: %2 (status %3, message \"%4\")")
                          .arg(options->Id)
                          .arg(WriteOutcome::VerdictName(outcome.Verdict))
                          .arg(outcome.Status)
                          .arg(outcome.Message));
            return outcome.Verdict == WriteVerdict::Booked ? 0 : 1;
        }
        }
    } catch (const RuntimeError& error) {
        std::fprintf(stderr, "k7 journal: %s\n", qPrintable(error.FailureText()));
    }
    return 1;
}

} // namespace k7::cli
