// The table's loading: windows and row captions, figures and colours by the view switches, totals
// and what a failed load leaves. Layout, menus, properties and the plant: ProductionPeriodTableViewTest.

#include "ProductionPeriodTableSupport.h"
#include "support/Printers.h"

#include "core/RuntimeError.h"

#include <gtest/gtest.h>

using k7::ProductionPeriodTable;
using V = k7::Variant;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0, kRed = 0x0000FF, Green = ProductionPeriodTable::ColorGreen,
                   Yellow = ProductionPeriodTable::ColorYellow, Red = ProductionPeriodTable::ColorRed;

TEST(ProductionPeriodTableWindow, OneColumnPerPeriodOneRequestAndCaptionsPickedFromTheirLists) {
    struct {
        const char* Case;
        QString Start, End;
        bool Accumulated;
        int HoursPerColumn;
        QStringList HourRow; // row 0 after the caption column, the totals caption last
    } const rows[] = {
        {"8h", "20240101060000", "20240101140000", false, 1,
         {"07h", "08h", "09h", "10h", "11h", "12h", "13h", "14h", "Total"}},
        {"8h accumulated", "20240101060000", "20240101140000", true, 1,
         {"07h", "08h", "09h", "10h", "11h", "12h", "13h", "Run"}},
        {"13h, the last period past the end", "20240101060000", "20240101190000", false, 2,
         {"08h", "10h", "12h", "14h", "16h", "18h", "20h", "Total"}},
        {"24h as dates", "20240101", "20240102", false, 2,
         {"02h", "04h", "06h", "08h", "10h", "12h", "14h", "16h", "18h", "20h", "22h", "00h", "Total"}},
        {"168h", "20240101000000", "20240108000000", false, 14,
         {"14h", "04h", "18h", "08h", "22h", "12h", "02h", "16h", "06h", "20h", "10h", "00h", "Total"}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Case);
        ScriptedTable table(row.Start, row.End);
        for (const auto& [name, value] : std::vector<std::pair<QString, V>>{
                 {"LabelOEE", V(",x")}, {"LabelTarget", V("OEE,EP,Act.")}, {"RatiosType", V(uint8_t(1))},
                 {"LabelGreenTarget", V("G1,G2,G3;long 1,long 2,long 3")}, {"LabelBad", V("Bad;x,y")},
                 {"RatiosTypeTarget", V(uint8_t(2))}, {"LabelGood", V("Good,Diff")},
                 {"Difference", V(uint8_t(1))}, {"LabelTotal", V(row.Accumulated ? "Sum,Run" : "Total")},
                 {"Accumulated", V(row.Accumulated)}})
            table.control.Assign(name, value);
        table.Reply(FollowUpReply(std::vector<Period>(12)));
        EXPECT_FALSE(table.control.Refresh(false));
        EXPECT_EQ(table.control.Error(), "");
        EXPECT_EQ(table.control.HoursPerColumn(), row.HoursPerColumn);
        ASSERT_EQ(table.control.ColumnCount(), row.HourRow.size() + 1);
        EXPECT_EQ(table.control.lblCell().UBound(), 6 * table.control.ColumnCount() - 1);
        EXPECT_EQ(table.Row(0).mid(1), row.HourRow);
        EXPECT_EQ(table.replies->Sent,
                  QStringList{"GET http://plant/processes/kpis/followup?process=P100&datefrom=" + row.Start +
                              "&dateto=" + row.End + "&session=S7&company=ACME&planned=0&hourly=" +
                              QString::number(row.HoursPerColumn)});
        // "_": underlined, a list whose items a menu offers; the totals caption always is.
        QStringList captions;
        for (int r = 0; r <= 6; ++r) {
            const k7::Label& cell = table.control.Cell(r % 6, r < 6 ? 0 : table.control.ColumnCount() - 1);
            captions << (cell.FontUnderline() ? "_" : "") + cell.Caption();
        }
        EXPECT_EQ(captions,
                  (QStringList{"_", "_EP", "_G3", "Produced", "Bad;x,y", "_Diff", "_" + row.HourRow.last()}));
    }
}

// One period whose figures all differ, so each switch value shows which one it read. Good 55 lies
// below the OEE green (70), on the PE yellow (55) and on the speed green target (55).
const Period kDistinct = {
    {"OEETheoricalQuantity", "100"},   {"PETheoricalQuantity", "90"},      {"Activity", "80"},
    {"OEEPlannedQuantityGreen", "70"}, {"OEEPlannedQuantityYellow", "50"}, {"PEPlannedQuantityGreen", "60"},
    {"PEPlannedQuantityYellow", "55"}, {"SpeedTargetGreen", "55"},         {"SpeedTargetYellow", "20"},
    {"OEETargetGreen", "0.75"},        {"OEETargetYellow", "0.5"},         {"ProducedQuantity", "66"},
    {"ScrapQuantity", "2"},            {"ReworkQuantity", "3"},            {"GoodQuantity", "55"}};

TEST(ProductionPeriodTableFigures, ShowTheSwitchedFigureWholeAndColourTheBadAndGoodCells) {
    struct {
        const char* Switch; // "" or "Property=value[,Property=value]"
        std::string Scrap;  // JSON replacing the scrap figure, "" keeps 2
        QString Figures;    // rows 1, 2, 4, 5 of the period column
        uint32_t BadText, GoodBack;
    } const rows[] = {
        {"", "", "100 70 2 55", kRed, Yellow}, // OEE capacity, OEE green target, scrap, good
        {"RatiosType=1", "", "90 70 2 55", kRed, Yellow},
        {"RatiosType=2", "", "80 70 2 55", kRed, Yellow},
        {"RatiosType=3", "", "0 70 2 55", kRed, Yellow},           // out of range: nothing read
        {"RatiosTypeTarget=1", "", "100 60 2 55", kRed, Yellow},   // green PE, good on the yellow one
        {"RatiosTypeTarget=2", "", "100 55 2 55", kRed, Green},    // green speed, good equal to it
        {"RatiosTypeTarget=3", "", "100 60 2 55", kRed, Yellow},   // green OEE x activity
        {"RatiosTypeTarget=4", "", "100 50 2 55", kRed, Yellow},   // yellow OEE
        {"RatiosTypeTarget=5", "", "100 55 2 55", kRed, Yellow},   // yellow PE
        {"RatiosTypeTarget=6", "", "100 20 2 55", kRed, Green},    // yellow speed
        {"RatiosTypeTarget=7", "", "100 40 2 55", kRed, Yellow},   // yellow OEE x activity
        {"RatiosTypeTarget=8", "", "100 0 2 55", kRed, Green},     // out of range: zero targets
        {"Bad=0", "", "100 70 5 55", kRed, Yellow},                // scrap and rework
        {"Bad=2", "", "100 70 3 55", kRed, Yellow},                // rework
        {"Bad=3", "", "100 70 0 55", kWhite, Yellow},              // out of range: 0 in the font colour
        {"Good=0,Difference=1", "", "100 70 2 -45", kRed, Yellow}, // coloured by the good quantity
        {"Good=0,Difference=0", "", "100 70 2 ", kRed, Yellow},    // no caption, still coloured
        {"Difference=1", "", "100 70 2 55", kRed, Yellow},         // good wins
        {"", "12.5", "100 70 13 55", kRed, Yellow},
        {"", "-2.5", "100 70 -3 55", kWhite, Yellow},
        {"", "0.4", "100 70 0 55", kRed, Yellow}, // red by the figure, not by what is shown
        {"", "0", "100 70 0 55", kWhite, Yellow},
        {"", R"("12.5")", "100 70 13 55", kRed, Yellow},
        {"", R"("abc")", "100 70 0 55", kWhite, Yellow}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.Switch) + " " + row.Scrap);
        ScriptedTable table("20240101060000", "20240101070000");
        for (const QString& item : QString(row.Switch).split(',', Qt::SkipEmptyParts))
            table.control.Assign(item.section('=', 0, 0), V(uint8_t(item.section('=', 1).toInt())));
        Period period = kDistinct;
        if (!row.Scrap.empty())
            period["ScrapQuantity"] = row.Scrap;
        table.Reply(FollowUpReply({period}));
        table.control.Refresh(false);
        ASSERT_EQ(table.control.Error(), "");
        const QStringList figures = {table.Caption(1, 1), table.Caption(2, 1), table.Caption(4, 1),
                                     table.Caption(5, 1)};
        EXPECT_EQ(figures.join(' '), row.Figures);
        EXPECT_EQ(table.control.Cell(4, 1).ForeColor(), row.BadText);
        const k7::Label& good = table.control.Cell(5, 1);
        EXPECT_EQ(good.BackStyle(), k7::BackStyle::Opaque);
        EXPECT_EQ(good.BackColor(), row.GoodBack);
        EXPECT_EQ(good.ForeColor(), row.GoodBack == Red ? kWhite : kBlack);
        EXPECT_EQ(table.Caption(5, 2), table.Caption(5, 1)) << "one period: its totals are its own figures";
    }
}

TEST(ProductionPeriodTableTotals, RunningTotalsColourEachPeriodByItsOwnFiguresAndTheTotalsColumnByTheSums) {
    ScriptedTable table("20240101060000", "20240101090000");
    table.control.setAccumulated(true);
    table.control.setGood(0);
    table.control.setDifference(1);
    std::vector<Period> periods;
    for (const char* good : {"10", "20", "30"})
        periods.push_back({{"GoodQuantity", good}, {"OEETheoricalQuantity", "15"},
                           {"OEEPlannedQuantityGreen", "25"}, {"OEEPlannedQuantityYellow", "15"}});
    periods[2]["ScrapQuantity"] = "1";
    table.Reply(FollowUpReply(periods));
    table.control.Refresh(false);
    ASSERT_EQ(table.control.ColumnCount(), 4);
    EXPECT_EQ(table.Row(1).mid(1), (QStringList{"15", "30", "45"}));
    EXPECT_EQ(table.Row(5).mid(1), (QStringList{"-5", "0", "15"}));
    const std::vector<uint32_t> backs = {Red, Yellow, Green};
    for (int column = 1; column <= 3; ++column)
        EXPECT_EQ(table.control.Cell(5, column).BackColor(), backs[column - 1]) << column;
    table.control.setGood(1);
    table.control.Refresh(true);
    EXPECT_EQ(table.Row(5).mid(1), (QStringList{"10", "30", "60"}));

    table.control.setAccumulated(false);
    table.control.Refresh(false);
    ASSERT_EQ(table.control.ColumnCount(), 5);
    EXPECT_EQ(table.Row(4).mid(1), (QStringList{"0", "0", "1", "1"}));
    EXPECT_EQ(table.Row(5).mid(1), (QStringList{"10", "20", "30", "60"}));
    EXPECT_EQ(table.control.Cell(4, 4).ForeColor(), kRed);
    EXPECT_EQ(table.control.Cell(5, 4).BackColor(), Yellow) << "60 against 75 and 45";
}

TEST(ProductionPeriodTableFailure, KeepsWhatWasWrittenAndRecordsOnlyTrappedErrors) {
    const QString twoPeriods = FollowUpReply({{{"ProducedQuantity", "7"}}, {{"ProducedQuantity", "8"}}});
    struct {
        const char* Case;
        QString Body;
        QString Error;           // "" or a prefix of the expected Error
        QStringList ProducedRow; // row 3 after the failed plain load
        QString BadCaption;      // cell (4, 0)
        uint8_t Bad = 1;
        QString Start = "20240101060000";
    } const rows[] = {
        {"success", twoPeriods, "", {"Made", "7", "8", "15"}, "Scrap"},
        {"message not Success: captions, zero totals", FollowUpReply({{}, {}}, "OK"), "",
         {"Made", "66", "66", "0"}, "Scrap"},
        {"fewer periods than columns", FollowUpReply({{{"ProducedQuantity", "7"}}}), "424-Object required",
         {"Produced", "7", "66", "132"}, "Bad"},
        {"an item beyond the caption list, after the periods", twoPeriods, "9-Subscript out of range",
         {"Produced", "7", "8", "132"}, "Bad", 2},
        {"an unreadable window, read before the request", twoPeriods, "13-Type mismatch",
         {"Produced", "66", "66", "132"}, "Bad", 1, "yesterday"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Case);
        ScriptedTable table("20240101060000", "20240101080000");
        table.Reply(FollowUpReply({{{"ProducedQuantity", "66"}}, {{"ProducedQuantity", "66"}}}));
        table.control.Refresh(false);
        table.control.setLabelProduced("Produced,Made");
        table.control.setLabelBad("Bad,Scrap");
        table.control.setBad(row.Bad);
        table.control.setStartDate(row.Start);
        table.Reply(row.Body);
        table.control.Refresh(true);
        EXPECT_TRUE(row.Error.isEmpty() ? table.control.Error().isEmpty()
                                        : table.control.Error().startsWith(row.Error))
            << table.control.Error().toStdString();
        EXPECT_EQ(table.Row(3), row.ProducedRow);
        EXPECT_EQ(table.Caption(4, 0), row.BadCaption);
        EXPECT_EQ(table.replies->Sent.size(), row.Start == "yesterday" ? 1 : 2);
    }
    ScriptedTable table("yesterday", "20240101080000");
    EXPECT_THROW(table.control.Refresh(false), k7::RuntimeError) << "a full load's error reaches the host";
    EXPECT_EQ(table.control.Error(), "");
}

} // namespace
