#include "json/JsonBag.h"
#include "plant/PlantService.h"
#include "support/Checks.h"
#include "support/K7Process.h"
#include "support/PlantChecks.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using k7::JsonBag;
using k7::Variant;
using k7::plant::test::Bookings;
using k7::test::WaitUntil;

namespace {

// The one entry `k7 journal FILE --json` lists, as "state attempts key".
QString JournalEntry(const QString& file) {
    const K7Run run = RunK7({"journal", file, "--json"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Out.count('\n'), 1) << run.Out.toStdString();
    auto entry = k7::test::Parse(run.Out);
    return QStringList{entry->Item("state").ToText(), entry->Item("attempts").ToText(),
                       entry->Item("key").ToText()}
        .join(' ');
}

class WriteJournalCommand : public ::testing::Test {
protected:
    void SetUp() override { plant.Start(0); }
    QStringList PressCause() const {
        return {"show",      "ScrapScreen",
                "--prop",    "APIHost=" + plant.BaseUrl(),
                "--prop",    "Process=P100",
                "--journal", journal,
                "--answer",  "5",
                "--click",   "btnScrap:0",
                "--dump",    "-"};
    }
    k7::plant::PlantService plant;
    QTemporaryDir directory;
    const QString journal = directory.filePath("writes.db");
};

// The service refuses a booking: the host's record says so, the journal keeps it, and a retry
// once the service is back books it under the same key; a booked entry is neither sent nor set
// aside again.
TEST_F(WriteJournalCommand, ARefusedBookingIsRecordedAndBookedByARetryWithItsKey) {
    plant.InjectFault("results", {.Status = 500});
    const auto host = RunK7Json(PressCause())->Item("host").As<JsonBag>();
    const Variant write = host->Item(Variant(host->Count()));
    EXPECT_EQ(write.Item("what").ToText(), "write");
    EXPECT_EQ(write.Item("url").ToText(),
              plant.BaseUrl() + "/results?process=P100&result=12&session=&company=&quantityA=5");
    EXPECT_EQ(QStringList({write.Item("verb").ToText(), write.Item("status").ToText(),
                           write.Item("message").ToText(), write.Item("verdict").ToText()}),
              QStringList({"POST", "500", "Internal Server Error", "refused"}));
    const QString key = write.Item("key").ToText();
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

// The terminal dies (SIGKILL) while its booking is out: the journal still has the entry, pending.
// The plant booked it anyway; the operator's retry under the same key is answered with that first
// booking, not booked a second time.
TEST_F(WriteJournalCommand, AKilledTerminalLeavesThePendingWriteAndItsRetryIsNotBookedTwice) {
    plant.InjectFault("results", {.DelayMs = 1500});
    QProcess terminal;
    StartK7(terminal, PressCause());
    ASSERT_TRUE(WaitUntil([&] { return plant.RequestCount("results") == 1; }));
    terminal.kill();
    ASSERT_TRUE(terminal.waitForFinished(10000));
    const QString pending = JournalEntry(journal);
    EXPECT_TRUE(pending.startsWith("pending 1 ")) << pending.toStdString();

    ASSERT_TRUE(WaitUntil([&] { return Bookings(plant) == 1; }))
        << "the plant books after its delay";
    plant.ClearFaults();
    const K7Run retry = RunK7({"journal", journal, "--retry", "1"});
    EXPECT_EQ(retry.ExitCode, 0) << retry.Out.toStdString() << retry.Err.toStdString();
    EXPECT_EQ(plant.RequestCount("results"), 2);
    EXPECT_EQ(Bookings(plant), 1u) << "the same key is booked once";
    EXPECT_EQ(JournalEntry(journal), QString(pending).replace("pending 1", "booked 2"));
}

} // namespace
