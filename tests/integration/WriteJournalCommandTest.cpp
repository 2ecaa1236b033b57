#include "plant/PlantModel.h"
#include "plant/PlantService.h"
#include "support/K7Process.h"
#include "json/JsonBag.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using k7::JsonBag;
using k7::Variant;

namespace {

// The entries `k7 journal FILE --json` lists, one document per line.
std::vector<std::shared_ptr<JsonBag>> JournalEntries(const QString& file) {
    const K7Run run = RunK7({"journal", file, "--json"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    std::vector<std::shared_ptr<JsonBag>> entries;
    for (const QString& line : run.Out.split('\n', Qt::SkipEmptyParts)) {
        entries.push_back(JsonBag::Create());
        entries.back()->SetJSON(line);
    }
    return entries;
}

QString Field(const std::shared_ptr<JsonBag>& entry, const char* name) {
    return entry->Item(Variant(QString::fromLatin1(name))).ToText();
}

size_t Bookings(k7::plant::PlantService& plant) {
    size_t count = 0;
    plant.WithModel([&](k7::plant::PlantModel& model) { count = model.Bookings().size(); });
    return count;
}

class WriteJournalCommand : public ::testing::Test {
protected:
    void SetUp() override { plant.Start(0); }
    QStringList PressCause(const QString& journal) const {
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
};

// The service refuses a booking: the host's record says so, the journal keeps it, and a retry
// once the service is back books it under the same key; a booked entry is neither sent nor set
// aside again.
TEST_F(WriteJournalCommand, ARefusedBookingIsRecordedAndBookedByARetryWithItsKey) {
    const QString journal = directory.filePath("writes.db");
    plant.InjectFault("results", {.Status = 500});
    const K7Run press = RunK7(PressCause(journal));
    ASSERT_EQ(press.ExitCode, 0) << press.Err.toStdString();
    auto dump = JsonBag::Create();
    dump->SetJSON(press.Out);
    const auto host = dump->Item(Variant(QStringLiteral("host"))).As<JsonBag>();
    const Variant write = host->Item(Variant(host->Count()));
    EXPECT_EQ(write.Item("what").ToText(), "write");
    EXPECT_EQ(write.Item("verb").ToText(), "POST");
    EXPECT_EQ(write.Item("url").ToText(),
              plant.BaseUrl() + "/results?process=P100&result=12&session=&company=&quantityA=5");
    EXPECT_EQ(write.Item("status").ToText(), "500");
    EXPECT_EQ(write.Item("message").ToText(), "Internal Server Error");
    EXPECT_EQ(write.Item("verdict").ToText(), "refused");
    const QString key = write.Item("key").ToText();
    EXPECT_EQ(key.size(), 36);

    plant.ClearFaults();
    const K7Run retry = RunK7({"journal", journal, "--retry", "1"});
    EXPECT_EQ(retry.ExitCode, 0) << retry.Out.toStdString() << retry.Err.toStdString();
    EXPECT_EQ(Bookings(plant), 1u);
    const auto entries = JournalEntries(journal);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(Field(entries[0], "state"), "booked");
    EXPECT_EQ(Field(entries[0], "key"), key);
    EXPECT_EQ(Field(entries[0], "attempts"), "2");
    EXPECT_EQ(Field(entries[0], "message"), "Success");
    for (const char* action : {"--retry", "--dismiss"})
        EXPECT_EQ(RunK7({"journal", journal, action, "1"}).ExitCode, 1) << action;
    EXPECT_EQ(RunK7({"journal", journal, "--dismiss", "2"}).ExitCode, 1) << "no such entry";
    EXPECT_EQ(Bookings(plant), 1u);
}

// The terminal dies (SIGKILL) while its booking is out: the journal still has the entry, pending.
// The plant booked it anyway; the operator's retry under the same key is answered with that first
// booking, not booked a second time.
TEST_F(WriteJournalCommand, AKilledTerminalLeavesThePendingWriteAndItsRetryIsNotBookedTwice) {
    const QString journal = directory.filePath("writes.db");
    plant.InjectFault("results", {.DelayMs = 1500});
    QProcess terminal;
    StartK7(terminal, PressCause(journal));
    ASSERT_TRUE(QTest::qWaitFor([&] { return plant.RequestCount("results") == 1; }, 20000));
    terminal.kill();
    ASSERT_TRUE(terminal.waitForFinished(10000));

    auto entries = JournalEntries(journal);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(Field(entries[0], "state"), "pending");
    EXPECT_EQ(Field(entries[0], "attempts"), "1");
    EXPECT_EQ(Field(entries[0], "key").size(), 36);

    ASSERT_TRUE(QTest::qWaitFor([&] { return Bookings(plant) == 1; }, 20000))
        << "the plant books after its delay";
    plant.ClearFaults();
    const K7Run retry = RunK7({"journal", journal, "--retry", "1"});
    EXPECT_EQ(retry.ExitCode, 0) << retry.Out.toStdString() << retry.Err.toStdString();
    EXPECT_EQ(plant.RequestCount("results"), 2);
    EXPECT_EQ(Bookings(plant), 1u) << "the same key is booked once";
    entries = JournalEntries(journal);
    EXPECT_EQ(Field(entries[0], "state"), "booked");
    EXPECT_EQ(Field(entries[0], "attempts"), "2");
}

} // namespace
