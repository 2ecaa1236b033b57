// What the terminal fills in on a form's controls: the connection where the form left it empty,
// and date windows that follow the clock.
#include "FormDefaults.h"

#include "support/Printers.h"

#include "controls/oeetracker/OEETracker.h"
#include "controls/pathcontrol/PathControl.h"
#include "controls/prodcode/ProdCode.h"
#include "controls/productionperiodtable/ProductionPeriodTable.h"

#include <gtest/gtest.h>

#include <stdexcept>

using k7::cli::FormDefaults;

namespace {

k7::Date At(int year, int month, int day, int hour, int minute) {
    return k7::Dates::AddHours(k7::Dates::DateSerial(year, month, day), hour + minute / 60.0);
}

struct WindowCase {
    friend void PrintTo(const WindowCase& c, std::ostream* out) { *out << c.Name; }
    const char* Name;
    QString Rule;
    int Hour, Minute;
    QString Start, End; // "" for a date the rule leaves alone
};

class WindowRules : public ::testing::TestWithParam<WindowCase> {};

TEST_P(WindowRules, GiveTheDatesOfTheWindowAtThatMoment) {
    const WindowCase& c = GetParam();
    QString start, end;
    for (const auto& [name, value] : FormDefaults::WindowDates(c.Rule, At(2026, 3, 2, c.Hour, c.Minute)))
        (name == "StartDate" ? start : end) = value;
    EXPECT_EQ(start, c.Start);
    EXPECT_EQ(end, c.End);
}

INSTANTIATE_TEST_SUITE_P(
    Clock, WindowRules,
    ::testing::Values(WindowCase{"MorningShift", "shift", 9, 30, "20260302060000", "20260302140000"},
                      WindowCase{"ShiftStartsOnTheHour", "shift", 14, 0, "20260302140000", "20260302220000"},
                      WindowCase{"NightShiftBeforeMidnight", "shift", 23, 10, "20260302220000", "20260303060000"},
                      WindowCase{"NightShiftAfterMidnightBeganYesterday", "shift", 2, 0, "20260301220000",
                                 "20260302060000"},
                      WindowCase{"HoursUpToNow", "12h", 9, 30, "20260301213000", "20260302093000"},
                      WindowCase{"SpacesAroundTheRule", " 1h ", 9, 30, "20260302083000", "20260302093000"},
                      WindowCase{"NowIsTheEndOfTheChart", "now", 9, 30, "20260302093000", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(WindowRules, RefuseWhatTheyDoNotKnow) {
    for (const QString rule : {"", "0h", "-3h", "12", "h", "Shift", "week", "12 h"})
        EXPECT_THROW(FormDefaults::WindowDates(rule, At(2026, 3, 2, 9, 0)), std::invalid_argument)
            << rule.toStdString();
}

TEST(WindowRules, ApplyOnlyWhenTheWindowMovedAndOnlyToDatesTheControlHas) {
    k7::OEETracker chart; // StartDate only
    FormDefaults::WrittenDates written;
    EXPECT_TRUE(FormDefaults::ApplyWindow(chart, "12h", At(2026, 3, 2, 9, 0), written));
    EXPECT_EQ(chart.StartDate(), "20260301210000");
    EXPECT_FALSE(FormDefaults::ApplyWindow(chart, "12h", At(2026, 3, 2, 9, 0), written));

    k7::ProductionPeriodTable table;
    written.clear();
    EXPECT_TRUE(FormDefaults::ApplyWindow(table, "shift", At(2026, 3, 2, 7, 0), written));
    // The path view rounds the dates it holds; the window is compared with what was written.
    table.setStartDate("20260302060000X");
    EXPECT_FALSE(FormDefaults::ApplyWindow(table, "shift", At(2026, 3, 2, 13, 0), written));
    EXPECT_TRUE(FormDefaults::ApplyWindow(table, "shift", At(2026, 3, 2, 14, 0), written));
    EXPECT_EQ(table.StartDate(), "20260302140000");
    EXPECT_EQ(table.EndDate(), "20260302220000");
}

TEST(WindowRules, OnlyForAControlWhoseFormLeftStartDateEmpty) {
    k7::ProductionPeriodTable table;
    EXPECT_EQ(FormDefaults::WindowRule(table), "");
    table.setProperty("k7Window", "shift");
    EXPECT_EQ(FormDefaults::WindowRule(table), "shift");
    table.setStartDate("20260101060000");
    EXPECT_EQ(FormDefaults::WindowRule(table), "");
    k7::ProdCode code; // no dates at all
    code.setProperty("k7Window", "shift");
    EXPECT_EQ(FormDefaults::WindowRule(code), "");
}

// Which connection properties the terminal fills and which it keeps is FormTerminal's test.
TEST(Connection, AControlWithAWholeUrlGetsTheServicePathJoined) {
    struct Case {
        QString Api, Path, Url;
    };
    for (const Case& c : {Case{"http://127.0.0.1:9", "drawing/path", "http://127.0.0.1:9/drawing/path"},
                          Case{"http://127.0.0.1:9/", "", ""}, Case{"", "drawing/path", ""}}) {
        k7::PathControl path;
        if (!c.Path.isEmpty())
            path.setProperty("k7ServicePath", c.Path);
        FormDefaults::FillConnection(path, {c.Api, "ORV", "DEMO"});
        EXPECT_EQ(path.URL(), c.Url) << c.Api.toStdString() << " + " << c.Path.toStdString();
        EXPECT_EQ(path.Company(), "ORV");
    }
    k7::PathControl own;
    own.setURL("http://elsewhere/x");
    own.setProperty("k7ServicePath", "drawing/path");
    FormDefaults::FillConnection(own, {"http://127.0.0.1:9/", "", ""});
    EXPECT_EQ(own.URL(), "http://elsewhere/x");
}

} // namespace
