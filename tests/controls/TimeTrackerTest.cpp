// The cycle clock: what a load sets and starts, how each tick grows the current bar and follows the
// clock, how a new cycle shifts the bars, scripted and against the simulated plant. Its layout at
// other extents, the caption's settling there included: ExtentTest.

#include "support/Checks.h"
#include "support/Printers.h"
#include "support/QueuedRequest.h"

#include "controls/timetracker/TimeTracker.h"
#include "core/Clock_p.h"
#include "core/Common_p.h"
#include "frame/children/FilledRect_p.h"
#include "frame/children/Label.h"
#include "frame/children/Timer_p.h"
#include "frame/children/WidgetArray_p.h"
#include "plant/PlantModel.h"
#include "plant/PlantService.h"
#include "plant/PlantTime.h"

#include <gtest/gtest.h>

using k7::TimeTracker;

namespace {

constexpr float kBase = 3405.75f; // 0.95 x 3585
constexpr uint32_t kWhite = 0xFFFFFF, kRedText = 0x0000FF, kDesignGreen = 0x00C000;
// The frozen clock of every test (a function: the date rules are not ready during static
// initialisation).
k7::Date Opened() {
    return k7::Common::ToDate("20240305101500");
}

// The current cycle as the service reports it, begun `secondsAgo` before Opened().
QString Cycle(double target, int counter, int secondsAgo) {
    const QString start = k7::Common::FormatYYYYMMDDhhmmss(k7::Dates::AddSeconds(Opened(), -secondsAgo));
    return QString(R"({"status":0,"data":[{"CycleT":%1,"Val":%2,"DateTime":"%3"}]})")
        .arg(QString::number(target), QString::number(counter), start);
}

class TimeTrackerTest : public ::testing::Test, protected QueuedControl<TimeTracker> {
protected:
    TimeTrackerTest() : QueuedControl("http://plant/", {}, Start::Unopened) { control.setBars(20); }
    void Tick(const QString& body) {
        replies->Body = body;
        control.timer().Fire();
    }
    void Open(const QString& body = Cycle(60, 7, 75)) { // target 60, counter 7, running for 75 s
        replies->Body = body;
        control.Refresh(false);
    }
    float HeightOf(int bar) { return control.barTime()(bar).Height(); }
    uint32_t ColorOf(int bar) { return control.barTime()(bar).FillColor(); }
    const k7::test::FrozenClock clock{Opened()};
};

struct LoadRow {
    const char* Case;
    QString Body;
    QString ExpectClock, ExpectText = "Reload Part Time", ExpectError = "";
    int ExpectTarget = 60;
    bool ExpectInitialized = true, ExpectTicking = true;
    friend void PrintTo(const LoadRow& row, std::ostream* out) { *out << row.Case; }
};

class TimeTrackerLoad : public TimeTrackerTest, public ::testing::WithParamInterface<LoadRow> {};

TEST_P(TimeTrackerLoad, SetsTheClockAndStartsTheTicksOnlyOnSuccessWithoutAskingTheHost) {
    const LoadRow& row = GetParam();
    host.Asked.clear(); // what the setup asked
    Open(row.Body);
    EXPECT_EQ(replies->Sent,
              QStringList{"GET http://plant/processes/cycleTime?process=P100&session=S7&company=ACME"});
    EXPECT_EQ(std::tuple(control.lblTime().Caption(), control.lblText().Caption(), control.Error()),
              std::tuple(row.ExpectClock, row.ExpectText, row.ExpectError));
    EXPECT_EQ(std::tuple(control.Initializer(), control.timer().Enabled(), control.CycleTarget()),
              std::tuple(row.ExpectInitialized, row.ExpectTicking, row.ExpectTarget));
    EXPECT_EQ(std::pair(host.Asked.isEmpty(), HeightOf(19)), std::pair(true, 0.0f));
}

INSTANTIATE_TEST_SUITE_P(
    TimeTracker, TimeTrackerLoad,
    ::testing::Values(LoadRow{"running for 75 s", Cycle(60, 7, 75), "01:15"},
                      LoadRow{"a start in the future counts 0", Cycle(60, 7, -30), "00:00"},
                      LoadRow{"target 59.5 rounds to 60", Cycle(59.5, 7, 6000), "100:00"},
                      LoadRow{"status 1", R"({"status":1,"data":[]})", "00:00", "No data", "", 0, true,
                              false},
                      LoadRow{"empty data", R"({"status":0,"data":[]})", "00:00", "Reload Part Time",
                              "424-Object required", 0, false, false},
                      LoadRow{"start no timestamp", Cycle(60, 7, 0).replace("2024", "soon"), "00:00",
                              "Reload Part Time", "13-Type mismatch", 60, false, false}));

TEST_F(TimeTrackerTest, OnlyTheFirstRefreshFalseLoadsUntilTheHostClearsInitializer) {
    replies->Body = "not JSON";
    control.Refresh(true);
    EXPECT_TRUE(replies->Sent.isEmpty());
    control.Refresh(false);
    EXPECT_FALSE(control.Initializer()) << "a trapped failure leaves it False";
    Open();
    Tick(Cycle(60, 7, 30));
    control.Refresh(false);
    EXPECT_EQ(std::pair(replies->Sent.size(), HeightOf(19) > 0), std::pair(qsizetype(3), true))
        << "two loads and the tick";
    control.setInitializer(false);
    control.Refresh(false);
    EXPECT_EQ(std::pair(replies->Sent.size(), HeightOf(19)), std::pair(qsizetype(4), 0.0f))
        << "rebuilt: every bar emptied";
    control.Reset();
    EXPECT_EQ(std::pair(control.timer().Enabled(), control.Initializer()), std::pair(false, true));
}

struct TickRow {
    const char* Case;
    QString Body;
    QString ExpectClock;
    uint32_t ExpectClockColor;
    float ExpectHeight; // of the current bar, 19
    uint32_t ExpectColor;
    friend void PrintTo(const TickRow& row, std::ostream* out) { *out << row.Case; }
};

class TimeTrackerTick : public TimeTrackerTest, public ::testing::WithParamInterface<TickRow> {};

TEST_P(TimeTrackerTick, GrowsTheCurrentBarAndFollowsTheClockOrEndsSilently) {
    const TickRow& row = GetParam();
    Open();
    Tick(row.Body);
    EXPECT_EQ(std::tuple(control.lblTime().Caption(), control.lblTime().ForeColor(), control.Error()),
              std::tuple(row.ExpectClock, row.ExpectClockColor, QString()));
    EXPECT_EQ(std::tuple(HeightOf(19), ColorOf(19), HeightOf(18) + HeightOf(20)),
              std::tuple(row.ExpectHeight, row.ExpectColor, 0.0f));
    EXPECT_FLOAT_EQ(control.barTime()(19).Top(), kBase - row.ExpectHeight);
}

INSTANTIATE_TEST_SUITE_P(
    TimeTracker, TimeTrackerTick,
    ::testing::Values(
        TickRow{"half the target", Cycle(60, 7, 30), "00:30", kWhite, 1165, TimeTracker::WithinTarget},
        TickRow{"exactly the target", Cycle(60, 7, 60), "01:00", kWhite, 2330, TimeTracker::WithinTarget},
        TickRow{"over, the target of the first load", Cycle(600, 7, 76), "01:16", kRedText, 2330,
                TimeTracker::OverTarget},
        TickRow{"a start in the future fails", Cycle(60, 7, -5), "01:15", kWhite, 0, kDesignGreen},
        TickRow{"status 1", R"({"status":1,"data":[]})", "01:15", kWhite, 0, kDesignGreen}));

TEST_F(TimeTrackerTest, ACounterChangeShiftsTheBarsAndFewerBarsLeaveTheOthersInPlace) {
    Open();
    Tick(Cycle(60, 7, 80));
    Tick(Cycle(60, 8, 10));
    Tick(Cycle(60, 8, 20)); // same counter: no shift
    EXPECT_EQ(std::tuple(HeightOf(17), HeightOf(18), ColorOf(18)),
              std::tuple(0.0f, 2330.0f, TimeTracker::OverTarget));
    EXPECT_FLOAT_EQ(HeightOf(19), 20.0f / 60 * 2330);

    Tick(Cycle(60, 9, 3));
    EXPECT_EQ(std::pair(HeightOf(17), HeightOf(16)), std::pair(2330.0f, 0.0f));
    EXPECT_FLOAT_EQ(HeightOf(18), 20.0f / 60 * 2330);
    EXPECT_FLOAT_EQ(control.barTime()(18).Top(), kBase - HeightOf(18));
    const k7::TwipsRect bar18 = control.barTime()(18).Bounds();
    control.setBars(10);
    control.Resize();
    EXPECT_EQ(control.barTime()(18).Bounds(), bar18);
    EXPECT_EQ(control.barTime()(10).Bounds(), (k7::TwipsRect{4680, kBase, 421.2f, 0}));
    Tick(Cycle(60, 9, 45));
    EXPECT_FLOAT_EQ(HeightOf(9), 45.0f / 60 * 2330);
}

TEST_F(TimeTrackerTest, NoBarsKeepTheClockRunningAndNoTargetFailsOnlyAtZeroSeconds) {
    control.setBars(0);
    Open();
    EXPECT_EQ(control.barTime()(0).Bounds(), (k7::TwipsRect{0, kBase, 0, 0}));
    Tick(Cycle(60, 7, 80));
    EXPECT_EQ(std::tuple(control.lblTime().Caption(), control.barTime()(0).Height(), control.Error()),
              std::tuple(QString("01:20"), 0.0f, QString()));
    Tick(Cycle(60, 7, -65));
    EXPECT_EQ(control.lblTime().Caption(), "-02:-05") << "minutes round down, seconds keep the sign";

    control.setBars(20);
    control.setInitializer(false);
    Open(Cycle(0, 1, 0));
    Tick(Cycle(0, 1, 0));
    EXPECT_EQ(std::pair(control.lblTime().ForeColor(), HeightOf(19)), std::pair(kWhite, 0.0f))
        << "0 / 0 ends the tick";
    Tick(Cycle(0, 1, 5));
    EXPECT_EQ(std::tuple(HeightOf(19), ColorOf(19), control.lblTime().ForeColor()),
              std::tuple(2330.0f, TimeTracker::OverTarget, kRedText));
}

// The plant's cycle start and counter, read as the plant means them (a clock shifted by a time zone
// would still load without a failure).
TEST_F(TimeTrackerTest, FollowsThePlantsCycles) {
    k7::plant::PlantService plant;
    plant.Start(0);
    control.SetRequestFactory({}); // real HTTP
    control.setAPIHost(plant.BaseUrl());
    control.setProcess("P100");
    control.Refresh(false);
    k7::plant::Cycle cycle;
    plant.WithModel([&](k7::plant::PlantModel& model) { cycle = model.CurrentCycle("P100", Opened()); });
    const int64_t elapsed = k7::plant::PlantTime::Seconds(Opened()) - cycle.Start;
    EXPECT_EQ(std::pair(control.lblTime().Caption(), control.Error()),
              std::pair(TimeTracker::FormatClock(int32_t(elapsed)), QString()));
    k7::Clock::AdvanceSeconds(double(cycle.Duration - elapsed + 2)); // 2 s into the next cycle
    control.timer().Fire();
    EXPECT_EQ(std::pair(control.CycleCount(), control.lblTime().Caption()),
              std::pair(cycle.Counter + 1, QString("00:02")));
}

} // namespace
