// Store and forward in a terminal: the writes nobody confirmed are sent again under their own keys,
// with growing waits, until the plant books them or refuses them for good; and what the status
// line makes of the journal.
#include "JournalForwarder.h"
#include "WriteTally.h"

#include "support/Checks.h"
#include "support/JournalChecks.h"
#include "support/PlantChecks.h"
#include "support/QueuedRequest.h"

#include "controls/scrapscreen/ScrapScreen.h"
#include "frame/children/CommandButton.h"
#include "frame/requests/WriteJournal.h"
#include "frame/requests/WriteSender_p.h"
#include "plant/PlantService.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

namespace {

using k7::WriteJournal;
using k7::WriteOutcome;
using k7::cli::JournalForwarder;
using k7::cli::ResendBackoff;
using k7::plant::Fault;
using k7::plant::test::Bookings;
using k7::test::WaitUntil;
using namespace std::chrono_literals;

TEST(ResendBackoff, DoublesFromTheFirstWaitUpToTheLongestEachVariedByAFifth) {
    struct Row {
        int Resend;
        double Unit;
        std::chrono::milliseconds Wait;
    };
    const ResendBackoff backoff;
    for (const Row& row : {Row{1, 0.5, 2000ms}, Row{2, 0.5, 4000ms}, Row{5, 0.5, 32000ms},
                           Row{6, 0.5, 60000ms}, Row{500, 0.5, 60000ms}, Row{1, 0.0, 1600ms},
                           Row{1, 0.9999, 2400ms}, Row{7, 0.0, 48000ms}, Row{3, 0.25, 7200ms}})
        EXPECT_EQ(backoff.Delay(row.Resend, row.Unit), row.Wait) << row.Resend << " at " << row.Unit;
}

// Resends that the test sets off itself, one at a time, remembering each wait the forwarder asked
// for: no test waits out a backoff.
struct HeldResends {
    std::vector<std::chrono::milliseconds> Waits;
    std::deque<std::function<void()>> Due;

    JournalForwarder::Timing Timing() {
        return {ResendBackoff{}, [] { return 0.5; },
                [this](std::chrono::milliseconds wait, std::function<void()> due) {
                    Waits.push_back(wait);
                    Due.push_back(std::move(due));
                }};
    }
    void SetOffNext() {
        std::function<void()> due = std::move(Due.front());
        Due.pop_front();
        due();
    }
};

const QString kBooking = "/results?process=P100&result=12&session=&company=&quantityA=5";

// The plant, a terminal's journal, a scrap screen on the plant and the forwarder watching it.
struct Terminal {
    Terminal() {
        plant.Start(0);
        journal = WriteJournal::Use(directory.filePath("journal.db"));
    }
    ~Terminal() { WriteJournal::StopUsing(); }

    // A scrap press answered "5"; what the control's own write came to.
    WriteOutcome Press(QueuedControl<k7::ScrapScreen>& screen) {
        QSignalSpy finished(&screen.control, &k7::ServiceControl::WriteFinished);
        screen.host.Answer = "5";
        screen.control.btnScrap(0).click();
        EXPECT_EQ(finished.size(), 1) << screen.control.Error().toStdString();
        return finished.isEmpty() ? WriteOutcome{} : finished[0][0].value<WriteOutcome>();
    }
    // An entry as a press left it: answered `state` ("pending": no answer came; "dismissed": set
    // aside by a supervisor) with `status` and `message`, sent at `time` (now unless given).
    qint64 Leave(const QString& url, const QString& state, int status, const QString& message,
                 const QDateTime& time = {}) {
        WriteOutcome write = k7::WriteSender::NewWrite(k7::HttpVerb::Post, url);
        write.Time = time.isValid() ? time : write.Time;
        const qint64 id = journal->Begin(write, k7::Judgement::MessageIsSuccess);
        if (state == "dismissed") {
            journal->Dismiss(id);
        } else if (state != "pending") {
            write.Verdict = state == "booked"    ? k7::WriteVerdict::Booked
                            : state == "unknown" ? k7::WriteVerdict::Unknown
                                                 : k7::WriteVerdict::Refused;
            write.Status = status;
            write.Message = message;
            journal->Finish(id, write);
        }
        return id;
    }
    // Sets off the next held resend and waits for its outcome.
    void Resend(JournalForwarder& forwarder) {
        const size_t before = forwarder.Forwarded().size();
        held.SetOffNext();
        ASSERT_TRUE(WaitUntil([&] { return forwarder.Forwarded().size() == before + 1; }));
    }

    QTemporaryDir directory;
    k7::plant::PlantService plant;
    std::shared_ptr<WriteJournal> journal;
    HeldResends held;
};

QStringList Verdicts(const WriteOutcome& first, const std::vector<WriteOutcome>& resent) {
    QStringList verdicts{WriteOutcome::VerdictName(first.Verdict)};
    for (const WriteOutcome& write : resent)
        verdicts << WriteOutcome::VerdictName(write.Verdict);
    return verdicts;
}

// A booking whose first answer is the row's fault: what each send came to, with the fault lifted
// after FaultedResends resends. Whatever happened, the plant books it at most once, every resend
// carries the first send's key, and the last answer settles it: nothing more is planned.
struct ForwardRow {
    const char* Case;
    Fault First;
    int FaultedResends;
    QStringList Verdicts;
    size_t Bookings;
    friend void PrintTo(const ForwardRow& row, std::ostream* out) { *out << row.Case; }
};

class Forwarding : public ::testing::TestWithParam<ForwardRow> {};

TEST_P(Forwarding, ResendsUnderTheSameKeyUntilAnAnswerSettlesTheWrite) {
    const ForwardRow& row = GetParam();
    Terminal terminal;
    QueuedControl<k7::ScrapScreen> screen(terminal.plant.BaseUrl(), {});
    JournalForwarder forwarder(terminal.journal, {}, terminal.held.Timing());
    forwarder.Watch(screen.control);
    terminal.plant.InjectFault("results", row.First);

    const WriteOutcome first = terminal.Press(screen);
    while (!terminal.held.Due.empty()) {
        if (static_cast<int>(forwarder.Forwarded().size()) == row.FaultedResends)
            terminal.plant.ClearFaults();
        terminal.Resend(forwarder);
        ASSERT_LE(forwarder.Forwarded().size(), 5u) << "still resending";
    }

    EXPECT_EQ(Verdicts(first, forwarder.Forwarded()), row.Verdicts);
    EXPECT_EQ(Bookings(terminal.plant), row.Bookings);
    for (const WriteOutcome& resent : forwarder.Forwarded()) {
        EXPECT_EQ(resent.Key, first.Key);
        EXPECT_EQ(resent.JournalId, first.JournalId);
        EXPECT_EQ(resent.Url, first.Url);
    }
    const WriteJournal::Entry entry = *terminal.journal->Find(first.JournalId);
    EXPECT_EQ(entry.State, row.Verdicts.back());
    EXPECT_EQ(entry.Attempts, row.Verdicts.size());
    EXPECT_FALSE(entry.AwaitsResend());
    std::vector<std::chrono::milliseconds> waits{2000ms, 4000ms, 8000ms, 16000ms};
    waits.resize(row.Verdicts.size() - 1);
    EXPECT_EQ(terminal.held.Waits, waits);
    EXPECT_EQ(forwarder.Planned(), 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    JournalForwarder, Forwarding,
    ::testing::Values(
        ForwardRow{"ServiceUnavailable", {.Status = 503}, 1, {"refused", "refused", "booked"}, 1},
        ForwardRow{"TooManyRequests", {.Status = 429}, 0, {"refused", "booked"}, 1},
        // No answer, twice: an unknown outcome is sent again as often as a refusal for now.
        ForwardRow{"NoAnswer", {.DropConnection = true}, 1, {"unknown", "unknown", "booked"}, 1},
        // The plant booked it and the answer was lost: the resend gets the first booking's answer.
        ForwardRow{"AnswerLost", {.LoseReply = true}, 0, {"unknown", "booked"}, 1},
        ForwardRow{"NotJson", {.RawBody = "<html>gateway</html>"}, 0, {"refused", "booked"}, 1},
        ForwardRow{"RefusedByTheControlsRule", {.RawBody = R"({"status":1,"message":"Cause closed"})"}, 0,
                   {"refused"}, 0},
        ForwardRow{"ClientError", {.Status = 422, .RawBody = R"({"message":"Quantity too large"})"}, 0,
                   {"refused"}, 0}),
    [](const ::testing::TestParamInfo<ForwardRow>& info) { return std::string(info.param.Case); });
// clang-format on

// What earlier runs left in the journal: at start the forwarder takes the entries still open
// (pending: the terminal died while it was out; no answer; refused for now) and leaves the
// settled ones, those refused for good included, alone.
TEST(JournalForwarder, TakesTheEntriesEarlierRunsLeftOpenAndNoOthers) {
    Terminal terminal;
    const QString url = terminal.plant.BaseUrl() + kBooking;
    struct Left {
        const char* State;
        int Status;
        QString Message;
        bool Resent;
    };
    const Left left[] = {{"pending", 0, "", true},
                         {"unknown", 0, "Could not connect", true},
                         {"refused", 503, "Service Unavailable", true},
                         {"refused", 200, "Cause closed", false},
                         {"refused", 404, "Not Found", false},
                         {"booked", 200, "Success", false},
                         {"dismissed", 0, "", false}};
    std::vector<qint64> resendable;
    for (const Left& entry : left) {
        const qint64 id = terminal.Leave(url, entry.State, entry.Status, entry.Message);
        if (entry.Resent)
            resendable.push_back(id);
    }
    JournalForwarder forwarder(terminal.journal, {}, terminal.held.Timing());
    forwarder.Start();
    EXPECT_EQ(forwarder.Planned(), static_cast<int>(resendable.size()));
    while (!terminal.held.Due.empty())
        terminal.Resend(forwarder);

    std::vector<qint64> resent;
    for (const WriteOutcome& write : forwarder.Forwarded()) {
        resent.push_back(write.JournalId);
        EXPECT_EQ(write.Verdict, k7::WriteVerdict::Booked) << write.JournalId;
    }
    EXPECT_EQ(resent, resendable);
    EXPECT_EQ(Bookings(terminal.plant), resendable.size());
    for (const WriteJournal::Entry& entry : terminal.journal->Entries())
        EXPECT_EQ(entry.Attempts, std::count(resendable.begin(), resendable.end(), entry.Id) ? 2 : 1)
            << entry.Id;
}

// A supervisor settles an entry (k7 journal --dismiss) while it waits: its resend sends nothing.
TEST(JournalForwarder, LeavesAnEntryASupervisorSettledMeanwhile) {
    Terminal terminal;
    QueuedControl<k7::ScrapScreen> screen(terminal.plant.BaseUrl(), {});
    JournalForwarder forwarder(terminal.journal, {}, terminal.held.Timing());
    forwarder.Watch(screen.control);
    terminal.plant.InjectFault("results", {.Status = 503});
    const WriteOutcome first = terminal.Press(screen);
    terminal.journal->Dismiss(first.JournalId);
    terminal.plant.ClearFaults();

    terminal.held.SetOffNext();
    EXPECT_EQ(forwarder.Planned(), 0);
    EXPECT_TRUE(forwarder.Forwarded().empty());
    EXPECT_EQ(terminal.plant.RequestCount("results"), 1);
}

// The status line's words for the journal's writes, and for the journal itself.
TEST(WriteTally, SaysHowManyWaitSinceWhenAndWhatWasRefusedForGood) {
    Terminal terminal;
    k7::cli::WriteTally tally;
    EXPECT_EQ(tally.Summary(), "");
    EXPECT_EQ(tally.JournalState(), "");
    struct Row {
        const char* State;
        int Status;
        QString Message;
        QString Time;
    };
    for (const Row& row :
         {Row{"unknown", 0, "", "14:05:00"}, Row{"refused", 502, "Bad Gateway", "14:02:11"},
          Row{"refused", 200, "Cause closed", "14:03:00"}, Row{"booked", 200, "Success", "13:00:00"},
          Row{"refused", 409, "", "14:04:00"}, Row{"pending", 0, "", "14:06:00"}})
        terminal.Leave("http://127.0.0.1:9/results", row.State, row.Status, row.Message,
                       QDateTime(QDate(2026, 12, 7), QTime::fromString(row.Time)));
    EXPECT_EQ(tally.Summary(),
              "writes: 2 waiting to send since 14:02:11, 1 sending, 2 refused, last: HTTP 409");

    k7::test::RefuseJournalChanges(terminal.journal->File(), "INSERT");
    EXPECT_THROW(terminal.journal->Begin(k7::WriteSender::NewWrite(k7::HttpVerb::Post, "http://h/"),
                                         k7::Judgement::StatusIsZero),
                 k7::RuntimeError);
    EXPECT_TRUE(tally.JournalState().startsWith("journal failing: ")) << tally.JournalState().toStdString();
    EXPECT_TRUE(tally.JournalState().contains("disk full")) << tally.JournalState().toStdString();

    WriteJournal::StopUsing();
    EXPECT_EQ(tally.JournalState(), "journal off");
}

} // namespace
