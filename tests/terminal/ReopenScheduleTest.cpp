// How long a terminal waits before it opens a control without good figures again.
#include "ReopenSchedule.h"

#include <gtest/gtest.h>

using k7::cli::ReopenSchedule;

namespace {

struct DelayCase {
    int Attempt;
    double Random; // what the random source gives, in [0, 1)
    int Ms;
};

class ReopenDelay : public ::testing::TestWithParam<DelayCase> {};

// About 2 s doubling to 20 s, each shifted by up to 20 % either way; the cap comes before the
// shift, and a long outage's count of attempts never overflows into a short or negative wait. The
// longest wait, 24 s, keeps a terminal's recovery after any outage within 30 s.
TEST_P(ReopenDelay, DoublesFromTheFirstToTheLongestShiftedByTheJitter) {
    const DelayCase& c = GetParam();
    const ReopenSchedule schedule(
        {}, [&c] { return c.Random; }, [] { return QDateTime(); });
    EXPECT_EQ(schedule.DelayMs(c.Attempt), c.Ms);
}

INSTANTIATE_TEST_SUITE_P(Attempts, ReopenDelay,
                         ::testing::Values(DelayCase{0, 0.5, 2000}, DelayCase{0, 0.0, 1600},
                                           DelayCase{0, 0.999, 2399}, DelayCase{1, 0.5, 4000},
                                           DelayCase{3, 0.5, 16000}, DelayCase{4, 0.5, 20000},
                                           DelayCase{4, 0.0, 16000}, DelayCase{4, 0.999, 23992},
                                           DelayCase{40, 0.5, 20000}, DelayCase{100000, 0.25, 18000},
                                           DelayCase{-1, 0.5, 2000}));

} // namespace
