// What a control's write comes to, end to end: a scrap press against the simulated plant, what the
// host is told of it and what the write journal keeps.

#include "support/QueuedRequest.h"

#include "controls/scrapscreen/ScrapScreen.h"
#include "frame/children/CommandButton.h"
#include "frame/requests/WriteJournal.h"
#include "plant/PlantModel.h"
#include "plant/PlantService.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

using k7::WriteJournal;
using k7::WriteOutcome;
using k7::plant::Fault;

// One scrap press against the simulated plant, its "results" path faulted as the row says: what
// the host is told, what the journal keeps, and what reached (and was booked by) the plant. The
// control itself still does only what it always did: reload on "Success", nothing otherwise.
struct WriteRow {
    const char* Case;
    std::optional<Fault> OnResults; // nullopt: the plant answers
    const char* Verdict;
    int Status;
    QString Message;
};

// With no reply the message is the failure text of the REST client's envelope. A reply that is no
// JSON, and a connection that drops: the frame's RequestModeTest; a refusing HTTP status, through
// `k7`: TerminalJournal.ARefusedBookingIsBookedByARetryUnderItsKey.
const QString kDropped = "-2147012866-The connection with the server was terminated abnormally";

void PressOnce(const WriteRow& row) {
    SCOPED_TRACE(row.Case);
    QTemporaryDir directory;
    WriteJournal::Use(directory.filePath("writes.db"));
    k7::plant::PlantService plant;
    plant.Start(0);
    QueuedControl<k7::ScrapScreen> screen(plant.BaseUrl(), {});
    QSignalSpy finished(&screen.control, &k7::ServiceControl::WriteFinished);
    const int causeLoads = plant.RequestCount("processes/P100/scrapcauses/top");
    if (row.OnResults)
        plant.InjectFault("results", *row.OnResults);

    screen.host.Answer = "5";
    screen.control.btnScrap(0).click();

    ASSERT_EQ(finished.size(), 1) << screen.control.Error().toStdString();
    const bool booked = std::string(row.Verdict) == "booked";
    const auto outcome = finished[0][0].value<WriteOutcome>();
    EXPECT_EQ(WriteOutcome::VerdictName(outcome.Verdict), row.Verdict);
    EXPECT_EQ(outcome.Status, row.Status);
    EXPECT_EQ(outcome.Message, row.Message);
    EXPECT_EQ(screen.control.Error(), "");
    EXPECT_EQ(plant.RequestCount("results"), 1) << "sent once, whatever became of it";
    EXPECT_EQ(plant.RequestCount("processes/P100/scrapcauses/top") - causeLoads, booked ? 1 : 0)
        << "the causes are reloaded after a booking only";
    size_t bookings = 0;
    plant.WithModel([&](k7::plant::PlantModel& model) { bookings = model.Bookings().size(); });
    EXPECT_EQ(bookings, booked ? 1u : 0u);

    const std::vector<WriteJournal::Entry> entries = WriteJournal::Active()->Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].State, row.Verdict);
    EXPECT_EQ(entries[0].Key, outcome.Key);
    EXPECT_EQ(entries[0].Id, outcome.JournalId);
    EXPECT_EQ(entries[0].Url, outcome.Url);
    EXPECT_EQ(std::make_tuple(entries[0].Status, entries[0].Message, entries[0].Attempts),
              std::make_tuple(row.Status, row.Message, 1));
    EXPECT_EQ(WriteJournal::Active()->Unconfirmed(), booked ? 0 : 1);
    WriteJournal::StopUsing();
}

TEST(WriteOutcomes, TheHostLearnsEveryVerdictAndTheJournalKeepsIt) {
    for (const WriteRow& row :
         {WriteRow{"Booked", std::nullopt, "booked", 200, "Success"},
          WriteRow{"NotSuccess", Fault{.RawBody = R"({"status":0,"message":"Batch locked"})"}, "refused", 200,
                   "Batch locked"},
          WriteRow{"Dropped", Fault{.DropConnection = true}, "unknown", 0, kDropped}})
        PressOnce(row);
}

} // namespace
