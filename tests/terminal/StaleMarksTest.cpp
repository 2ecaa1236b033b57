// Which controls a terminal marks as stale, and what the badge says, from the outcomes of their
// reads and the present moment alone.
#include "StaleMarks.h"

#include "support/Printers.h"

#include "frame/RequestOutcome.h"

#include <gtest/gtest.h>

#include <vector>

using k7::cli::StaleMarks;

namespace {

const QDateTime kStart(QDate(2026, 3, 2), QTime(10, 0, 0));

struct Read {
    QString Control;
    bool Good;
    int SentAtSecond; // after kStart
};

struct MarkCase {
    friend void PrintTo(const MarkCase& c, std::ostream* out) { *out << c.Name; }
    const char* Name;
    std::vector<Read> Reads;
    int NowSecond;
    QString Control;
    bool Marked;
    QString Age;
};

class StaleMarkRules : public ::testing::TestWithParam<MarkCase> {};

TEST_P(StaleMarkRules, MarkAndAgeFollowTheLastOutcomeAndTheLastGoodReply) {
    const MarkCase& c = GetParam();
    StaleMarks marks;
    for (const Read& read : c.Reads)
        marks.Record(read.Control, read.Good, kStart.addSecs(read.SentAtSecond));
    EXPECT_EQ(marks.Marked(c.Control), c.Marked);
    EXPECT_EQ(marks.AgeText(c.Control, kStart.addSecs(c.NowSecond)), c.Age);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, StaleMarkRules,
    ::testing::Values(
        MarkCase{"NothingHeardNothingMarked", {}, 100, "a", false, ""},
        MarkCase{"GoodReadNoMark", {{"a", true, 0}}, 100, "a", false, ""},
        MarkCase{"FailureAfterGoodShowsAgeOfTheGoodOne", {{"a", true, 0}, {"a", false, 50}}, 130, "a", true,
                 "stale 2 min"},
        MarkCase{"NeverGood", {{"a", false, 0}, {"a", false, 5}}, 600, "a", true, "no figures yet"},
        MarkCase{"NextGoodClears", {{"a", true, 0}, {"a", false, 5}, {"a", true, 10}}, 600, "a", false, ""},
        MarkCase{"AgeCountsFromTheLastGoodNotTheFirstFailure",
                 {{"a", true, 0}, {"a", true, 3000}, {"a", false, 3005}, {"a", false, 6000}}, 3045, "a", true,
                 "stale 45 s"},
        MarkCase{"SecondsBelowAMinute", {{"a", true, 0}, {"a", false, 1}}, 59, "a", true, "stale 59 s"},
        MarkCase{"HoursFromSixtyMinutes", {{"a", true, 0}, {"a", false, 1}}, 3 * 3600 + 59, "a", true, "stale 3 h"},
        MarkCase{"DaysFromTwoDays", {{"a", true, 0}, {"a", false, 1}}, 50 * 3600, "a", true, "stale 2 d"},
        MarkCase{"ClockBehindTheReplyIsNoNegativeAge", {{"a", true, 100}, {"a", false, 101}}, 0, "a", true,
                 "stale 0 s"},
        // A reply overtaken by a later read of the same control must not undo what the later one
        // said (non-blocking reads may end out of order).
        MarkCase{"OvertakenGoodReplyDoesNotClear", {{"a", false, 20}, {"a", true, 10}}, 30, "a", true,
                 "no figures yet"},
        MarkCase{"OvertakenFailureDoesNotMark", {{"a", true, 20}, {"a", false, 10}}, 30, "a", false, ""},
        MarkCase{"ControlsAreKeptApart", {{"a", false, 0}, {"b", true, 1}}, 30, "b", false, ""},
        MarkCase{"OtherControlsGoodReplyDoesNotClear", {{"a", true, 0}, {"a", false, 1}, {"b", true, 2}}, 61,
                 "a", true, "stale 1 min"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(StaleMarks, ListsTheMarkedControlsByName) {
    StaleMarks marks;
    marks.Record("table", false, kStart);
    marks.Record("clock", true, kStart);
    marks.Record("code", false, kStart);
    marks.Record("code", true, kStart.addSecs(1));
    marks.Record("chart", false, kStart);
    EXPECT_EQ(marks.MarkedControls(), QStringList({"chart", "table"}));
    EXPECT_FALSE(marks.LastGood("table").has_value());
    EXPECT_EQ(marks.LastGood("code"), kStart.addSecs(1));
}

struct ReachCase {
    friend void PrintTo(const ReachCase& c, std::ostream* out) { *out << c.Name; }
    const char* Name;
    std::vector<std::pair<int, int>> Statuses; // HTTP status (0: no reply), sent at second
    std::optional<bool> Reachable;
};

class ServiceReach : public ::testing::TestWithParam<ReachCase> {};

// Any answer, even a refusal, is the service answering; only the absence of one is unreachable.
TEST_P(ServiceReach, FollowsWhetherTheLatestReadGotAnAnswer) {
    StaleMarks marks;
    for (const auto& [status, second] : GetParam().Statuses) {
        k7::RequestOutcome outcome;
        outcome.Status = status;
        outcome.Good = status == 200;
        outcome.Time = kStart.addSecs(second);
        marks.Record("a", outcome);
    }
    EXPECT_EQ(marks.ServiceReachable(), GetParam().Reachable);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, ServiceReach,
                         ::testing::Values(ReachCase{"NoneYet", {}, std::nullopt},
                                           ReachCase{"Answered", {{200, 0}}, true},
                                           ReachCase{"RefusedIsStillReached", {{500, 0}}, true},
                                           ReachCase{"NoAnswer", {{200, 0}, {0, 1}}, false},
                                           ReachCase{"BackAgain", {{0, 0}, {404, 1}}, true},
                                           ReachCase{"LateFailureOfAnEarlierRead", {{200, 5}, {0, 1}}, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
