// `k7 terminal` and its write journal, run as a user runs them: presses taken headless at set
// moments, a booking a killed run left pending forwarded by the next run, where the journal lives,
// and each way a journal can fail to be used.
#include "support/Checks.h"
#include "support/JournalChecks.h"
#include "support/K7Process.h"
#include "support/PlantChecks.h"

#include "frame/requests/WriteJournal.h"
#include "json/JsonBag.h"
#include "plant/PlantService.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using k7::JsonBag;
using k7::Variant;
using k7::plant::test::Bookings;
using k7::test::WaitUntil;

// A screen of one scrap screen for P100, refreshed twice a second so that its causes are shown
// well before the steps press them.
const QByteArray kScrapForm = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Scrap</class>
 <widget class="QWidget" name="Scrap">
  <property name="geometry"><rect><x>0</x><y>0</y><width>400</width><height>300</height></rect></property>
  <widget class="k7::ScrapScreen" name="scrapScreen">
   <property name="geometry"><rect><x>10</x><y>10</y><width>268</width><height>210</height></rect></property>
   <property name="Process"><string notr="true">P100</string></property>
   <property name="k7RefreshSeconds" stdset="0"><double>0.5</double></property>
  </widget>
 </widget>
</ui>
)";

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

class TerminalJournal : public ::testing::Test {
protected:
    void SetUp() override {
        plant.Start(0);
        k7::test::WriteFile(form, kScrapForm);
    }
    QStringList Terminal(const QStringList& more) const {
        return QStringList{"terminal",  form,    "--api", plant.BaseUrl(),
                           "--journal", journal, "--out", directory.filePath("shots"),
                           "--dump",    dump} +
               more;
    }
    std::shared_ptr<JsonBag> Dump() const { return k7::test::Parse(k7::test::ReadFile(dump)); }

    k7::plant::PlantService plant;
    QTemporaryDir directory;
    const QString form = directory.filePath("scrap.ui");
    const QString journal = directory.filePath("journal.db");
    const QString dump = directory.filePath("dump.json");
};

// A scrap press and its prompt's answer, taken headless 1.5 s after the screen opened: one
// booking, with the prompt and the write in the control's host record and in the journal.
TEST_F(TerminalJournal, TakesTimedStepsHeadlessAndRecordsThePromptAndTheWrite) {
    const K7Run run = RunK7(Terminal({"--at", "1.5", "--answer", "5", "--click", "scrapScreen/btnScrap:0"}));
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(Bookings(plant), 1u);

    const auto scrap = Dump()->Item("scrapScreen").As<JsonBag>();
    EXPECT_EQ(Records(*scrap, "InputBox", {"answer"}), QStringList{"answer=5"});
    const QStringList writes = Records(*scrap, "write", {"verb", "status", "message", "verdict", "key"});
    ASSERT_EQ(writes.size(), 1);
    EXPECT_TRUE(writes[0].startsWith("verb=POST status=200 message=Success verdict=booked key="))
        << writes[0].toStdString();
    EXPECT_EQ(Dump()->Item("k7Forwarded").As<JsonBag>()->Count(), 0);

    const std::vector<k7::WriteJournal::Entry> entries = k7::WriteJournal(journal).Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].State, "booked");
    EXPECT_EQ("key=" + entries[0].Key, writes[0].section(' ', -1));
}

// Two scrap presses half a second apart while the first booking's answer and reload are still out:
// two prompts, two bookings.
TEST_F(TerminalJournal, TwoPressesInARowGiveTwoPromptsAndTwoBookings) {
    plant.InjectFault("results", {.DelayMs = 1500});
    const K7Run run =
        RunK7(Terminal({"--at", "1.5", "--answer", "4", "--click", "scrapScreen/btnScrap:0", "--at", "2",
                        "--answer", "8", "--click", "scrapScreen/btnScrap:1", "--seconds", "5"}));
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(Bookings(plant), 2u);
    const auto scrap = Dump()->Item("scrapScreen").As<JsonBag>();
    EXPECT_EQ(Records(*scrap, "InputBox", {"answer"}), QStringList({"answer=4", "answer=8"}));
    EXPECT_EQ(Records(*scrap, "write", {"verdict"}), QStringList({"verdict=booked", "verdict=booked"}));
}

// A terminal killed while its booking was out leaves the entry pending (the plant booked it
// anyway); the next run sends it again by itself under the same key, and the plant books it once.
TEST_F(TerminalJournal, ForwardsTheBookingAKilledRunLeftPending) {
    plant.InjectFault("results", {.DelayMs = 1500});
    QProcess killed;
    StartK7(killed, {"show", "ScrapScreen", "--prop", "APIHost=" + plant.BaseUrl(), "--prop", "Process=P100",
                     "--journal", journal, "--answer", "5", "--click", "btnScrap:0", "--dump", "-"});
    ASSERT_TRUE(WaitUntil([&] { return plant.RequestCount("results") == 1; }));
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished(10000));
    ASSERT_TRUE(WaitUntil([&] { return Bookings(plant) == 1; })) << "the plant books after its delay";
    plant.ClearFaults();
    const QString key = k7::WriteJournal(journal).Entries().at(0).Key;

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

// Where the journal lives when none is named, and a terminal told to keep none.
TEST_F(TerminalJournal, LivesInTheUsersStateDirectoryUnlessTurnedOff) {
    struct Row {
        QString StateHome; // XDG_STATE_HOME; "" unset, so HOME/.local/state
        QStringList More;
        int ExitCode;
        QString Journal; // the file expected to exist afterwards; "" none
    };
    const QString state = directory.filePath("state");
    const QString home = directory.filePath("home");
    const QString notADirectory = k7::test::WriteFile(directory.filePath("plain"), "x");
    const Row rows[] = {{state, {}, 0, state + "/orvelk7/journal.db"},
                        {"", {}, 0, home + "/.local/state/orvelk7/journal.db"},
                        {directory.filePath("off"), {"--no-journal"}, 0, ""},
                        {notADirectory, {}, 1, ""}};
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
        EXPECT_EQ(run.ExitCode, row.ExitCode) << run.Err.toStdString();
        if (!row.Journal.isEmpty()) {
            EXPECT_TRUE(QFileInfo::exists(row.Journal));
        }
        if (row.ExitCode != 0) {
            EXPECT_TRUE(run.Err.contains(row.StateHome + "/orvelk7/journal.db")) << run.Err.toStdString();
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
        {{"show", "ScrapScreen", "--prop", "APIHost=" + plant.BaseUrl(), "--prop", "Process=P100",
          "--journal", refusing, "--answer", "5", "--click", "btnScrap:0"},
         "the write journal " + refusing + " did not record POST"},
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
