// Which controls a terminal marks as stale, what the badge says and whether the service answers,
// from the outcomes of their reads and the present moment alone.
#include "StaleMarks.h"

#include "support/Printers.h"

#include "frame/requests/RequestOutcome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using k7::cli::StaleMarks;

namespace {

const QDateTime kStart(QDate(2026, 3, 2), QTime(10, 0, 0));

struct Read {
    QString Control;
    int Status;       // 200 a good reply, 500 a refusal, 0 no reply at all
    int SentAtSecond; // after kStart
};

struct MarkCase {
    friend void PrintTo(const MarkCase& c, std::ostream* out) { *out << c.Name; }
    const char* Name;
    std::vector<Read> Reads;
    int NowSecond;
    bool Marked; // of control "a"
    QString Age;
    std::optional<bool> Reachable;
};

StaleMarks Recorded(const std::vector<Read>& reads) {
    StaleMarks marks;
    for (const Read& read : reads) {
        k7::RequestOutcome outcome;
        outcome.Status = read.Status;
        outcome.Good = read.Status == 200;
        outcome.Time = kStart.addSecs(read.SentAtSecond);
        marks.Record(read.Control, outcome);
    }
    return marks;
}

class StaleMarkRules : public ::testing::TestWithParam<MarkCase> {};

// Any answer, even a refusal, is the service answering; only the absence of one is unreachable.
TEST_P(StaleMarkRules, MarkAgeAndReachFollowTheLatestOutcomeAndTheLastGoodReply) {
    const MarkCase& c = GetParam();
    const StaleMarks marks = Recorded(c.Reads);
    EXPECT_EQ(marks.Marked("a"), c.Marked);
    EXPECT_EQ(marks.AgeText("a", kStart.addSecs(c.NowSecond)), c.Age);
    EXPECT_EQ(marks.ServiceReachable(), c.Reachable);
}

// One row an outcome history, laid out by hand.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Outcomes, StaleMarkRules,
    ::testing::Values(
        MarkCase{"NothingHeardNothingMarked", {}, 100, false, "", std::nullopt},
        MarkCase{"NeverGoodRefusedIsStillReached", {{"a", 0, 0}, {"a", 500, 5}}, 600, true, "no figures yet",
                 true},
        MarkCase{"NextGoodClears", {{"a", 200, 0}, {"a", 0, 5}, {"a", 200, 10}}, 600, false, "", true},
        MarkCase{"AgeCountsFromTheLastGoodNotTheFirstFailure",
                 {{"a", 200, 0}, {"a", 200, 3000}, {"a", 0, 3005}, {"a", 0, 6000}}, 3045, true, "stale 45 s",
                 false},
        MarkCase{"SecondsBelowAMinute", {{"a", 200, 0}, {"a", 500, 1}}, 59, true, "stale 59 s", true},
        MarkCase{"HoursFromSixtyMinutes", {{"a", 200, 0}, {"a", 0, 1}}, 3 * 3600 + 59, true, "stale 3 h",
                 false},
        MarkCase{"DaysFromTwoDays", {{"a", 200, 0}, {"a", 0, 1}}, 48 * 3600, true, "stale 2 d", false},
        MarkCase{"ClockBehindTheReplyIsNoNegativeAge", {{"a", 200, 100}, {"a", 0, 101}}, 0, true, "stale 0 s",
                 false},
        // A reply overtaken by a later read of the same control must not undo what the later one
        // said (non-blocking reads may end out of order).
        MarkCase{"OvertakenGoodReplyDoesNotClear", {{"a", 0, 20}, {"a", 200, 10}}, 30, true, "no figures yet",
                 false},
        MarkCase{"OvertakenFailureDoesNotMark", {{"a", 200, 20}, {"a", 0, 10}}, 30, false, "", true},
        MarkCase{"OtherControlsGoodReplyDoesNotClear", {{"a", 200, 0}, {"a", 0, 1}, {"b", 200, 2}}, 61, true,
                 "stale 1 min", true}),
    [](const auto& info) { return std::string(info.param.Name); });
// clang-format on

TEST(StaleMarks, ListsTheMarkedControlsByName) {
    const StaleMarks marks =
        Recorded({{"table", 0, 0}, {"clock", 200, 0}, {"code", 0, 0}, {"code", 200, 1}, {"chart", 0, 0}});
    EXPECT_EQ(marks.MarkedControls(), QStringList({"chart", "table"}));
    EXPECT_FALSE(marks.LastGood("table").has_value());
    EXPECT_EQ(marks.LastGood("code"), kStart.addSecs(1));
}

} // namespace

namespace {

struct WaitCase {
    int OutMs;    // how long the read has been out; negative: none is out
    int PeriodMs; // the control's period
    QString Text;
};

class LongReadRule : public ::testing::TestWithParam<WaitCase> {};

// Marked once out longer than twice the period, and never before 10 s: a fast control's read
// must not be called long on a service's ordinary pause.
TEST_P(LongReadRule, MarksAReadOutLongerThanTwiceThePeriodAndTenSeconds) {
    const WaitCase& c = GetParam();
    const QDateTime sent = c.OutMs < 0 ? QDateTime() : kStart;
    EXPECT_EQ(StaleMarks::WaitText(sent, c.PeriodMs, kStart.addMSecs(std::max(0, c.OutMs))), c.Text);
}

INSTANTIATE_TEST_SUITE_P(Reads, LongReadRule,
                         ::testing::Values(WaitCase{10000, 5000, ""}, WaitCase{10001, 5000, "waiting 10 s"},
                                           WaitCase{39000, 20000, ""}, WaitCase{41000, 20000, "waiting 41 s"},
                                           WaitCase{9000, 500, ""}, WaitCase{25000, 500, "waiting 25 s"},
                                           WaitCase{150000, 5000, "waiting 2 min"}, WaitCase{-1, 5000, ""}));

} // namespace
