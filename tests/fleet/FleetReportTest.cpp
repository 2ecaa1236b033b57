// The figures of `k7 fleet`'s report, worked out from counts given here: which seconds make the
// steady rate and the peak after an outage, and the latency percentiles.
#include "FleetReport.h"

#include "json/JsonTestSupport.h"

#include "json/JsonBag.h"

#include <gtest/gtest.h>

namespace {

using k7::cli::FleetReport;
using k7::cli::TapCounts;
using k7::test::ChildOf;

TEST(FleetReport, PercentilesAreTakenByNearestRank) {
    struct Case {
        std::vector<float> Values;
        double Fraction;
        double Expected;
    };
    for (const Case& c : {Case{{}, 0.5, 0}, Case{{7}, 0.99, 7}, Case{{4, 1, 3, 2}, 0.5, 2},
                          Case{{4, 1, 3, 2}, 0.99, 4}, Case{{5, 1, 4, 2, 3}, 0.5, 3}})
        EXPECT_EQ(FleetReport::Percentile(c.Values, c.Fraction), c.Expected)
            << c.Values.size() << " " << c.Fraction;
}

TEST(FleetReport, TheOutageIsJudgedAgainstTheWholeSecondsBeforeIt) {
    TapCounts counts;
    //                 opening | steady before    | out  | after the outage     | part-second
    counts.PerSecond = {5, 5, 10, 12, 8, 10, 3, 0, 0, 30, 12, 10, 9};
    counts.Requests = 114;
    FleetReport::Run run;
    run.Seconds = 12.5;
    run.OpeningSeconds = 2;
    run.OutageFrom = 6.2; // second 6 was partly out: neither steady nor after
    run.OutageTo = 8.1;   // the peak is looked for from second 9 on
    run.AllFreshAfter = 3.5;
    const auto report = FleetReport(counts, run).Json();

    const auto requests = ChildOf(report->Item("requests"));
    EXPECT_EQ(ChildOf(requests->Item("bySecond"))->Count(), 12);
    EXPECT_DOUBLE_EQ(requests->Item("meanPerSecond").ToDouble(),
                     (10 + 12 + 8 + 10 + 3 + 30 + 12 + 10) / 10.0);
    EXPECT_EQ(requests->Item("peakPerSecond").ToDouble(), 30);
    const auto outage = ChildOf(report->Item("outage"));
    EXPECT_DOUBLE_EQ(outage->Item("steadyPerSecond").ToDouble(), 10);
    EXPECT_EQ(outage->Item("peakBefore").ToDouble(), 12);
    EXPECT_EQ(outage->Item("peakAfter").ToDouble(), 30);
    EXPECT_DOUBLE_EQ(outage->Item("peakRatio").ToDouble(), 3);
    EXPECT_EQ(outage->Item("allFreshAfter").ToDouble(), 3.5);

    // Only the last kSteadySeconds before the outage make the steady rate: a long opening on a busy
    // machine must not drag it down.
    run.OutageFrom = 36.5;
    run.OutageTo = 40;
    run.Seconds = 42;
    counts.PerSecond.assign(42, 1);
    for (int second = 36 - FleetReport::kSteadySeconds; second < 36; ++second)
        counts.PerSecond[second] = 4;
    const auto longer = ChildOf(FleetReport(counts, run).Json()->Item("outage"));
    EXPECT_DOUBLE_EQ(longer->Item("steadyPerSecond").ToDouble(), 4);

    // An outage that begins before the opening is over has no steady rate to be judged against.
    run.OutageFrom = 1;
    const auto early = ChildOf(FleetReport(counts, run).Json()->Item("outage"));
    EXPECT_TRUE(early->Item("steadyPerSecond").IsNull());
    EXPECT_TRUE(early->Item("peakRatio").IsNull());
}

} // namespace
