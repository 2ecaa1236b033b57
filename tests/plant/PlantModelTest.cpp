#include "plant/PlantModel.h"
#include "plant/PlantTime.h"

#include "service/Common.h"

#include <gtest/gtest.h>

namespace k7::plant {
namespace {

Date At(const char* stamp) {
    return Common::ToDate(stamp);
}
int64_t Sec(const char* stamp) {
    return PlantTime::Seconds(At(stamp));
}

constexpr const char* Opened = "20240314103000";

TEST(CycleSchedule, CyclesTileEachDayAndRestartAtMidnight) {
    const PlantModel model(7, At(Opened));
    for (const PlantProcess& process : model.Processes()) {
        const int64_t midnight = Sec("20240314");
        Cycle cycle = model.CurrentCycle(process.Id, PlantTime::ToDate(midnight));
        EXPECT_EQ(cycle.Start, midnight);
        EXPECT_EQ(cycle.Counter, 1);
        int overTarget = 0;
        int cycles = 0;
        while (cycle.Start + cycle.Duration < midnight + PlantTime::SecondsPerDay) {
            const int64_t end = cycle.Start + cycle.Duration;
            // Asking for any instant of a cycle finds that cycle; its end starts the next one.
            EXPECT_EQ(model.CurrentCycle(process.Id, PlantTime::ToDate(end - 1)).Start, cycle.Start);
            const Cycle next = model.CurrentCycle(process.Id, PlantTime::ToDate(end));
            ASSERT_EQ(next.Start, end) << process.Id.toStdString();
            ASSERT_EQ(next.Counter, cycle.Counter + 1);
            EXPECT_GE(cycle.Duration, process.CycleTarget * 8 / 10);
            EXPECT_LE(cycle.Duration, process.CycleTarget * 23 / 10);
            overTarget += cycle.Duration > process.CycleTarget;
            ++cycles;
            cycle = next;
        }
        EXPECT_EQ(
            model.CurrentCycle(process.Id, PlantTime::ToDate(midnight + PlantTime::SecondsPerDay)).Counter,
            1);
        // Mostly on time, but a red bar now and then.
        EXPECT_GT(overTarget, cycles / 20) << process.Id.toStdString();
        EXPECT_LT(overTarget, cycles / 2) << process.Id.toStdString();
    }
}

TEST(PlantModel, FiguresFollowTheSeedOnly) {
    const PlantModel a(7, At(Opened));
    const PlantModel b(7, At("20240101000000")); // opening time does not change figures
    const PlantModel c(8, At(Opened));
    const auto oee = [](const PlantModel& model) {
        std::vector<double> values;
        for (const DayFigures& day : model.Days("P100", At("20240201"), At("20240301"), At(Opened)))
            values.push_back(day.Oee);
        return values;
    };
    EXPECT_EQ(oee(a), oee(b));
    EXPECT_NE(oee(a), oee(c));
    EXPECT_EQ(a.CurrentCycle("P200", At(Opened)).Start, b.CurrentCycle("P200", At(Opened)).Start);
}

TEST(PlantModel, DayOeeIsPlausibleAndMixesTheColours) {
    const PlantModel model(PlantModel::DefaultSeed, At(Opened));
    int green = 0, yellow = 0, red = 0;
    for (const PlantProcess& process : model.Processes()) {
        for (const DayFigures& day : model.Days(process.Id, At("20231114"), At("20240313"), At(Opened))) {
            EXPECT_GE(day.Oee, 30) << process.Id.toStdString() << " "
                                   << PlantTime::Stamp(day.Start).toStdString();
            EXPECT_LE(day.Oee, 99);
            green += day.Oee >= day.TargetGreen;
            red += day.Oee < day.TargetYellow;
            yellow += day.Oee >= day.TargetYellow && day.Oee < day.TargetGreen;
        }
    }
    EXPECT_GT(green, 20);
    EXPECT_GT(yellow, 100);
    EXPECT_GT(red, 20);
}

struct WindowRow {
    const char* from;
    const char* to;
    int hourly;
    int64_t days; // DayCount
    const char* firstDay;
    int64_t periods; // PeriodCount
};

class WindowTest : public ::testing::TestWithParam<WindowRow> {};

TEST_P(WindowTest, DaysEndWithTheLastDayAndPeriodsCoverTheWindow) {
    const WindowRow& row = GetParam();
    const PlantModel model(1, At(Opened));
    EXPECT_EQ(PlantModel::DayCount(At(row.from), At(row.to)), row.days);
    const auto days = model.Days("P100", At(row.from), At(row.to), At(Opened));
    ASSERT_EQ(static_cast<int64_t>(days.size()), row.days);
    EXPECT_EQ(PlantTime::Stamp(days.front().Start), row.firstDay);
    EXPECT_EQ(days.back().Start, Sec(QString(row.to).left(8).toLatin1().constData()));
    for (size_t i = 1; i < days.size(); ++i)
        EXPECT_EQ(days[i].Start - days[i - 1].Start, PlantTime::SecondsPerDay);

    EXPECT_EQ(PlantModel::PeriodCount(At(row.from), At(row.to), row.hourly), row.periods);
    const auto periods = model.Periods("P100", At(row.from), At(row.to), row.hourly, false, At(Opened));
    ASSERT_EQ(static_cast<int64_t>(periods.size()), row.periods);
    for (size_t i = 0; i < periods.size(); ++i) {
        EXPECT_EQ(periods[i].Start, Sec(row.from) + static_cast<int64_t>(i) * row.hourly * 3600);
        EXPECT_EQ(periods[i].End - periods[i].Start, row.hourly * 3600);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WindowTest,
    ::testing::Values(WindowRow{"20240229000000", "20240331000000", 1, 31, "20240301000000", 744},
                      WindowRow{"20240213143000", "20240314143000", 2, 30, "20240214000000", 360},
                      WindowRow{"20240314060000", "20240314140000", 1, 1, "20240314000000", 8},
                      WindowRow{"20240314060000", "20240315060000", 2, 1, "20240315000000", 12},
                      WindowRow{"20240314060000", "20240314190000", 2, 1, "20240314000000",
                                7}, // last reaches past
                      WindowRow{"20240314063000", "20240314070000", 1, 1, "20240314000000", 1},
                      WindowRow{"20240314060000", "20240314060000", 0, 1, "20240314000000", 0}));

TEST(PlantModel, RealPeriodsCoverThePastPlannedOnesTheWholePeriod) {
    const PlantModel model(PlantModel::DefaultSeed, At(Opened));
    const auto real = model.Periods("P100", At("20240314060000"), At("20240314140000"), 2, false, At(Opened));
    const auto plan = model.Periods("P100", At("20240314060000"), At("20240314140000"), 2, true, At(Opened));
    ASSERT_EQ(real.size(), 4u);
    // 06-08 and 08-10 lie in the past, 10-12 has run for half an hour at 10:30, 12-14 is to come.
    EXPECT_DOUBLE_EQ(real[0].OeeTheoretical, 120);
    EXPECT_DOUBLE_EQ(real[2].OeeTheoretical, 30);
    EXPECT_DOUBLE_EQ(real[3].OeeTheoretical, 0);
    EXPECT_EQ(real[3].Produced, 0);
    for (const PeriodFigures& p : real) {
        EXPECT_EQ(p.Good, std::max(0, p.Produced - p.Scrap - p.Rework));
        EXPECT_LE(p.Activity, p.OeeTheoretical);
        EXPECT_LE(p.Produced, p.Activity + 0.5);
        EXPECT_DOUBLE_EQ(p.OeePlannedGreen, std::round(p.OeeTheoretical * 0.85 * 10) / 10);
        EXPECT_DOUBLE_EQ(p.OeeTargetGreen, 0.85);
        EXPECT_DOUBLE_EQ(p.OeeTargetYellow, 0.65);
    }
    for (const PeriodFigures& p : plan) {
        EXPECT_DOUBLE_EQ(p.OeeTheoretical, 120);
        EXPECT_DOUBLE_EQ(p.Activity, 115.2); // P100 runs 96 % of its time
        EXPECT_EQ(p.Produced, 109);          // 115.2 x 0.95 = 109.44
        EXPECT_EQ(p.Scrap, 1);
    }
}

TEST(PlantModel, BookedScrapCountsInItsPeriodItsDayAndTheCauseRanking) {
    PlantModel model(PlantModel::DefaultSeed, At(Opened));
    const auto scrap = [&](const char* from, const char* to) {
        return model.Periods("P100", At(from), At(to), 1, false, At("20240314120000"))[0].Scrap;
    };
    const auto dayOee = [&] { return model.Days("P100", At("20240314"), At("20240314"), At(Opened))[0].Oee; };
    const int before = scrap("20240314100000", "20240314110000");
    const int hourAfter = scrap("20240314110000", "20240314120000");
    const double oeeBefore = dayOee();
    EXPECT_EQ(model.TopScrapCauses("P100", At(Opened)).front().Id, 12);

    EXPECT_FALSE(model.BookScrap("P100", 15, 9, At(Opened)));
    EXPECT_FALSE(model.BookScrap("P100", 15, 0, At(Opened)));
    EXPECT_EQ(scrap("20240314100000", "20240314110000"), before + 9);
    EXPECT_EQ(scrap("20240314110000", "20240314120000"), hourAfter);
    EXPECT_LT(dayOee(), oeeBefore);
    // Porosity was not among the top four before; now it leads them.
    const auto top = model.TopScrapCauses("P100", At(Opened));
    ASSERT_EQ(top.size(), 4u);
    EXPECT_EQ(top.front().Id, 15);
    // A day later the booking no longer ranks.
    EXPECT_EQ(model.TopScrapCauses("P100", At("20240315103001")).front().Id, 12);

    const auto unknown = model.BookScrap("P100", 4, 1, At(Opened));
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->Status, PlantStatus::UnknownItem);
    const auto negative = model.BookScrap("P100", 12, -1, At(Opened));
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->Status, PlantStatus::Refused);
    EXPECT_EQ(model.Bookings().size(), 2u);
}

TEST(PlantModel, FaiWaitsForItsJustificationThenReturnsAfterTheGivenCycles) {
    PlantModel model(PlantModel::DefaultSeed, At(Opened));
    model.SetFaiEveryCycles(3);
    const auto pending = model.Fai("P100", At(Opened));
    ASSERT_TRUE(pending);
    EXPECT_EQ(PlantTime::Stamp(pending->Start), "20240314095000");
    EXPECT_EQ(pending->Seconds % 60, 0);
    EXPECT_FALSE(model.Fai("P200", At(Opened)));

    const QString id = QString::number(pending->Id);
    EXPECT_EQ(model.JustifyFai(id, "77", At(Opened))->Status,
              PlantStatus::UnknownItem); // P100 has no reason 77
    EXPECT_EQ(model.JustifyFai("999", "5", At(Opened))->Status, PlantStatus::UnknownItem);
    EXPECT_FALSE(model.JustifyFai(id, "5", At(Opened)));
    EXPECT_EQ(model.JustifyFai(id, "5", At(Opened))->Status, PlantStatus::UnknownItem); // only once
    ASSERT_EQ(model.Justifications().size(), 1u);
    EXPECT_EQ(model.Justifications()[0].Downtime, "5");

    Cycle cycle = model.CurrentCycle("P100", At(Opened));
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(model.Fai("P100", PlantTime::ToDate(cycle.Start + cycle.Duration - 1)));
        cycle = model.CurrentCycle("P100", PlantTime::ToDate(cycle.Start + cycle.Duration));
    }
    const auto next = model.Fai("P100", PlantTime::ToDate(cycle.Start));
    ASSERT_TRUE(next);
    EXPECT_EQ(next->Start, cycle.Start);
    EXPECT_GT(next->Id, pending->Id);
}

} // namespace
} // namespace k7::plant
