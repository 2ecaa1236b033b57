// `k7 terminal` and its write journal, run as a user runs them: presses taken headless at set
// moments, a booking a killed run left pending forwarded by the next run, a refused one booked by
// `k7 journal --retry`, where the journal lives, and each way a journal can fail to be used.
#include "TerminalForms.h"

#include "support/Checks.h"
#include "support/JournalChecks.h"
#include "support/K7Process.h"
#include "support/PlantChecks.h"

#include "frame/requests/WriteJournal.h"
#include "plant/PlantService.h"
#include "json/JsonBag.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using k7::JsonBag;
using k7::Variant;
using k7::plant::test::Bookings;
using k7::test::WaitUntil;

// The records of one kind ("write", "InputBox") in a control's host record, as "field=value" lists.
QStringList Records(const JsonBag& control, const QString& what, const QStringList& fields) {
    QStringList found;
    const auto host = control.Item("host").As<JsonBag>();
    for (int32_t i = 1; i <= host->Count(); ++i) {
        const Variant record = host->Item(Variant(i));
        if (record.Item("what").ToText() != what)
            continue;
        QStringList values;
        for (const QString& field : fields)
            values << field + "=" + record.Item(field).ToText();
        found << values.join(' ');
    }
    return found;
}

// The one entry `k7 journal FILE --json` lists, as "state attempts key".
QString JournalEntry(const QString& file) {
    const K7Run run = RunK7({"journal", file, "--json"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Out.count('\n'), 1) << run.Out.toStdString();
    const auto entry = k7::test::Parse(run.Out);
    return QStringList{entry->Item("state").ToText(), entry->Item("attempts").ToText(),
                       entry->Item("key").ToText()}
        .join(' ');
}

class TerminalJournal : public ::testing::Test {
protected:
    void SetUp() override {
        plant.Start(0);
        // A scrap screen refreshed twice a second, so that its causes are shown well before the
        // steps press them.
        k7::test::WriteForm(
            directory,
            k7::test::Widget("ScrapScreen", "scrapScreen", 10,
                             k7::test::Property("Process", "P100") + k7::test::RefreshSeconds(0.5),
                             {268, 210}),
            "scrap.ui");
    }
    QStringList Terminal(const QStringList& more) const {
        return QStringList{"terminal",  form,    "--api", plant.BaseUrl(),
                           "--journal", journal, "--out", directory.filePath("shots"),
                           "--dump",    dump} +
               more;
    }
    // `k7 show` of a scrap screen on the plant, a cause pressed and the prompt answered "5".
    QStringList PressCause(const QString& journalFile) const {
        const QString press = "show ScrapScreen --prop Process=P100 --answer 5 --click btnScrap:0 --dump -";
        return press.split(' ') +
               QStringList{"--prop", "APIHost=" + plant.BaseUrl(), "--journal", journalFile};
    }
    std::shared_ptr<JsonBag> Dump() const { return k7::test::Parse(k7::test::ReadFile(dump)); }

    k7::plant::PlantService plant;
    QTemporaryDir directory;
    const QString form = directory.filePath("scrap.ui");
    const QString journal = directory.filePath("journal.db");
    const QString dump = directory.filePath("dump.json");
};

// Two scrap presses taken headless at set moments, half a second apart while the first booking's
// answer and reload are still out: two prompts, two bookings, each prompt and write in the
// control's host record and each write in the journal under the key the record gives.
TEST_F(TerminalJournal, TakesTimedStepsHeadlessAndRecordsEachPromptAndWrite) {
    plant.InjectFault("results", {.DelayMs = 1500});
    const K7Run run =
        RunK7(Terminal({"--at", "1.5", "--answer", "4", "--click", "scrapScreen/btnScrap:0", "--at", "2",
                        "--answer", "8", "--click", "scrapScreen/btnScrap:1", "--seconds", "5"}));
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(Bookings(plant), 2u);

    const auto scrap = Dump()->Item("scrapScreen").As<JsonBag>();
    EXPECT_EQ(Records(*scrap, "InputBox", {"answer"}), QStringList({"answer=4", "answer=8"}));
    QStringList writes = Records(*scrap, "write", {"verb", "status", "message", "verdict", "key"});
    ASSERT_EQ(writes.size(), 2);
    QStringList journalled; // in whichever order the answers came
    for (const k7::WriteJournal::Entry& entry : k7::WriteJournal(journal).Entries()) {
        EXPECT_EQ(entry.State, "booked");
        journalled << "verb=POST status=200 message=Success verdict=booked key=" + entry.Key;
    }
    writes.sort();
    journalled.sort();
    EXPECT_EQ(writes, journalled);
    EXPECT_EQ(Dump()->Item("k7Forwarded").As<JsonBag>()->Count(), 0);
}

// A terminal killed (SIGKILL) while its booking was out leaves the entry pending (the plant booked
// it anyway); the next run sends it again by itself under the same key, and the plant books it
// once.
TEST_F(TerminalJournal, ForwardsTheBookingAKilledRunLeftPending) {
    plant.InjectFault("results", {.DelayMs = 1500});
    QProcess killed;
    StartK7(killed, PressCause(journal));
    ASSERT_TRUE(WaitUntil([&] { return plant.RequestCount("results") == 1; }));
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished(10000));
    const QString pending = JournalEntry(journal);
    ASSERT_TRUE(pending.startsWith("pending 1 ")) << pending.toStdString();
    ASSERT_TRUE(WaitUntil([&] { return Bookings(plant) == 1; })) << "the plant books after its delay";
    plant.ClearFaults();
    const QString key = pending.section(' ', 2);

    const K7Run run = RunK7(Terminal({"--seconds", "5"}));
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(plant.RequestCount("results"), 2);
    EXPECT_EQ(Bookings(plant), 1u) << "the same key is booked once";
    const auto forwarded = Dump()->Item("k7Forwarded").As<JsonBag>();
    ASSERT_EQ(forwarded->Count(), 1);
    EXPECT_EQ(forwarded->Item(Variant(1)).Item("verdict").ToText(), "booked");
    EXPECT_EQ(forwarded->Item(Variant(1)).Item("key").ToText(), key);
    const k7::WriteJournal::Entry entry = k7::WriteJournal(journal).Entries().at(0);
    EXPECT_EQ(std::make_tuple(entry.State, entry.Attempts), std::make_tuple(QString("booked"), 2));
}

// The service refuses a booking: the host's record says so, the journal keeps it, and a retry once
// the service is back books it under the same key; a booked entry is neither sent nor set aside
// again.
TEST_F(TerminalJournal, ARefusedBookingIsBookedByARetryUnderItsKey) {
    plant.InjectFault("results", {.Status = 500});
    const auto scrap = RunK7Json(PressCause(journal));
    EXPECT_EQ(Records(*scrap, "write", {"verb", "status", "message", "verdict"}),
              QStringList{"verb=POST status=500 message=Internal Server Error verdict=refused"});
    EXPECT_EQ(Records(*scrap, "write", {"url"}),
              QStringList{"url=" + plant.BaseUrl() +
                          "/results?process=P100&result=12&session=&company=&quantityA=5"});
    const QString key = Records(*scrap, "write", {"key"}).value(0).mid(4);
    EXPECT_EQ(key.size(), 36);

    plant.ClearFaults();
    const K7Run retry = RunK7({"journal", journal, "--retry", "1"});
    EXPECT_EQ(retry.ExitCode, 0) << retry.Out.toStdString() << retry.Err.toStdString();
    EXPECT_EQ(JournalEntry(journal), "booked 2 " + key);
    for (const char* action : {"--retry", "--dismiss"})
        EXPECT_EQ(RunK7({"journal", journal, action, "1"}).ExitCode, 1) << action;
    EXPECT_EQ(RunK7({"journal", journal, "--dismiss", "2"}).ExitCode, 1) << "no such entry";
    EXPECT_EQ(Bookings(plant), 1u);
}

// Where the journal lives when none is named, and a terminal told to keep none.
TEST_F(TerminalJournal, LivesInTheUsersStateDirectoryUnlessTurnedOff) {
    struct Row {
        QString StateHome; // XDG_STATE_HOME; "" unset, so HOME/.local/state
        QStringList More;
        QString Journal; // the file expected to exist afterwards; "" none
    };
    const QString state = directory.filePath("state");
    const QString home = directory.filePath("home");
    // A state directory that cannot be made fails as the journal's own file does (the test below).
    const Row rows[] = {{state, {}, state + "/orvelk7/journal.db"},
                        {"", {}, home + "/.local/state/orvelk7/journal.db"},
                        {directory.filePath("off"), {"--no-journal"}, ""}};
    const QByteArray savedHome = qgetenv("HOME");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.StateHome.toStdString());
        qputenv("HOME", home.toUtf8());
        if (row.StateHome.isEmpty())
            qunsetenv("XDG_STATE_HOME");
        else
            qputenv("XDG_STATE_HOME", row.StateHome.toUtf8());
        const K7Run run = RunK7(QStringList{"terminal", form, "--api", plant.BaseUrl(), "--seconds", "0.3",
                                            "--out", directory.filePath("shots")} +
                                row.More);
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        if (!row.Journal.isEmpty()) {
            EXPECT_TRUE(QFileInfo::exists(row.Journal));
        }
    }
    EXPECT_FALSE(QFileInfo::exists(directory.filePath("off"))) << "--no-journal makes nothing";
    qputenv("HOME", savedHome);
    qunsetenv("XDG_STATE_HOME");
}

// Every way a journal can fail to be used ends the command with status 1 and says which file.
TEST_F(TerminalJournal, AJournalThatCannotBeUsedIsNeverSilent) {
    const QString missing = directory.filePath("typo.db");
    const QString plain = k7::test::WriteFile(directory.filePath("plain"), "x");
    const QString refusing = directory.filePath("refusing.db");
    k7::WriteJournal{refusing};
    k7::test::RefuseJournalChanges(refusing, "INSERT");
    struct Row {
        QStringList Args;
        QString Says;
    };
    const Row rows[] = {
        {{"journal", missing}, "no journal at " + missing},
        {{"terminal", form, "--api", plant.BaseUrl(), "--journal", plain + "/journal.db", "--seconds", "0.3"},
         plain + "/journal.db"},
        {PressCause(refusing), "the write journal " + refusing + " did not record POST"},
    };
    for (const Row& row : rows) {
        const K7Run run = RunK7(row.Args);
        EXPECT_EQ(run.ExitCode, 1) << row.Args.join(' ').toStdString();
        EXPECT_TRUE(run.Err.contains(row.Says)) << run.Err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(missing)) << "k7 journal made the file it was asked to read";
    EXPECT_EQ(Bookings(plant), 1u) << "the booking itself went out";
}

} // namespace
