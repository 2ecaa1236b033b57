// The table's layout, elapsed-time bar, menus, font properties and rendering, and one table against
// the simulated plant. Loading and figures: ProductionPeriodTableTest.

#include "ProductionPeriodTableSupport.h"
#include "support/Checks.h"
#include "support/Printers.h"

#include "core/Clock_p.h"
#include "core/Common_p.h"
#include "core/RuntimeError.h"
#include "frame/children/FilledRect_p.h"
#include "frame/children/PopupMenu.h"
#include "frame/drawing/Colors.h"
#include "plant/PlantModel.h"
#include "plant/PlantService.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using k7::Label;
using k7::ProductionPeriodTable;
using V = k7::Variant;

namespace {

V B(int value) {
    return V(uint8_t(value));
}

QStringList Items(const k7::PopupMenu& menu) {
    QStringList items;
    for (const auto& entry : menu.Items())
        items << entry.second.Caption;
    return items;
}

// Where the cells go at other extents, and a single column: ExtentTest. Here what a smaller window
// leaves of a larger one's grid, and the font of a grid of more than ten columns.
TEST(ProductionPeriodTableLayout, ANarrowerWindowUnloadsTheCellsBeyondItAndFitsAgain) {
    ProductionPeriodTable control;
    control.SetExtent(9000, 1800);
    control.setStartDate("20240101000000");
    control.setEndDate("20240102000000");
    control.Refresh(false);
    ASSERT_EQ(control.lblCell().UBound(), 83);
    const float narrow = control.ControlFont().Size;
    control.setStartDate("20240101060000");
    control.setEndDate("20240101140000");
    control.Refresh(false);
    // Fitted again from the cells' own height: the size no longer moves, so d is that of the size
    // the cells carry now.
    control.Refresh(false);
    ASSERT_EQ(control.lblCell().UBound(), 59);
    EXPECT_EQ(control.FindChild("lblCell", 60), nullptr);
    EXPECT_NEAR(narrow, control.Cell(0, 0).FontSize() * 0.8f, 1.0f)
        << "more than ten columns fit the text to four fifths of the row";
}

// An eight-hour window: the cells take the largest whole size whose line, as the layouts measure
// it, fits the row. The size is fitted to the height only, so a row caption or a total wider than
// its narrow cell is drawn smaller to fit it (that every caption fits: FormTerminalTest's
// LineTerminal, against the plant).
TEST(ProductionPeriodTableFit, CellsTakeTheLargestWholeSizeWhoseLineFitsTheRow) {
    const std::tuple<float, float, int> rows[] = {{9000, 1800, 12}, {7095, 4350, 30}};
    for (const auto& [width, height, size] : rows) {
        SCOPED_TRACE(size);
        ScriptedTable table("20240101060000", "20240101140000");
        ProductionPeriodTable& control = table.control;
        table.Reply(FollowUpReply(std::vector<Period>(
            8, Period{{"OEETheoricalQuantity", "60"}, {"ProducedQuantity", "51"}, {"GoodQuantity", "44"}})));
        control.SetExtent(width, height);
        control.Refresh(false);
        ASSERT_EQ(table.Caption(1, 9), "480");
        const QObjectList& stacking = control.children(); // bottom first
        for (int r = 0; r < 6; ++r)
            EXPECT_GT(stacking.indexOf(&control.Cell(r, 0)), stacking.indexOf(&control.Cell(r, 1)))
                << "the row caption lies above the opaque good cell it reaches into";
        const auto line = [&control](int points) {
            k7::FontStyle font = control.ControlFont();
            font.Size = static_cast<float>(points);
            return control.TextHeight("O", font);
        };
        EXPECT_EQ(control.FontSize(), size);
        EXPECT_FLOAT_EQ(control.Cell(3, 9).FontSize(), static_cast<float>(size));
        EXPECT_LE(line(size), height / 6);
        EXPECT_GT(line(size + 1), height / 6);
    }
}

TEST(ProductionPeriodTableTimeBar, SpansTheElapsedShareOfTheWindowAtTheLastLayout) {
    struct {
        const char* Case;
        const char *Start, *End, *Now;
        float Share;
    } const rows[] = {{"a quarter", "20240101060000", "20240101140000", "20240101080000", 0.25f},
                      {"window over", "20240101060000", "20240101140000", "20240101140001", 1.0f},
                      {"before: empty", "20240101060000", "20240101140000", "20240101050000", 0.0f},
                      {"dates out of order", "20240101140000", "20240101060000", "20240101070000", 1.0f},
                      {"as texts, one instant", "20240101", "20240101000000", "20231231120000", 1.0f}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Case);
        const k7::test::FrozenClock frozen(k7::Common::ToDate(row.Now));
        ProductionPeriodTable control;
        control.setStartDate(row.Start);
        control.setEndDate(row.End);
        control.SetExtent(9000, 1800);
        control.Refresh(false);
        EXPECT_FLOAT_EQ(control.BarMax().Width(), 9000 * row.Share);
        k7::Clock::AdvanceSeconds(4 * 3600.0);
        EXPECT_FLOAT_EQ(control.BarMax().Width(), 9000 * row.Share) << "only a layout moves it";
    }
}

const QStringList kTargets = {"GT OEE", "GT EP", "GT S", "GT A", "YT OEE", "YT EP", "YT S", "YT A"};

TEST(ProductionPeriodTableMenu, ARowCaptionPopsUpItsMenuAndAChoiceIsStoredAndAnnouncedOnly) {
    struct {
        const char* Case;
        int Row, Column; // -1: the last column
        int Choice;      // what the user picks; -1 dismisses
        QStringList Shown;
        std::vector<std::pair<QString, V>> Expect;
    } const rows[] = {{"plan", 0, 0, 1, {"Real", "Planned"}, {{"Planned", B(1)}}},
                      {"capacity", 1, 0, 2, {"OEE", "EP", "Act."}, {{"RatiosType", B(1)}}},
                      {"target", 2, 0, 6, kTargets, {{"RatiosTypeTarget", B(5)}}},
                      {"bad", 4, 0, 3, {"Bad", "Scrap", "Rework"}, {{"Bad", B(2)}}},
                      {"good", 5, 0, 1, {"Good", "Diff"}, {{"Good", B(1)}, {"Difference", B(0)}}},
                      {"difference", 5, 0, 2, {"Good", "Diff"}, {{"Good", B(0)}, {"Difference", B(1)}}},
                      {"accumulated", 0, -1, 1, {"Total", "Accum"}, {{"Accumulated", V(true)}}},
                      {"dismissed", 0, 0, -1, {"Real", "Planned"}, {}},
                      {"the produced row has no menu", 3, 0, 1, {}, {}},
                      {"the totals column below its caption", 5, -1, 1, {}, {}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Case);
        ScriptedTable table("20240101060000", "20240101140000");
        table.control.setGood(0);
        table.control.setDifference(1);
        table.Reply(FollowUpReply(std::vector<Period>(8, Period{{"GoodQuantity", "3"}})));
        table.control.show();
        table.control.Refresh(false);
        const auto captions = [&table] {
            QStringList all;
            for (int r = 0; r < 6; ++r)
                all += table.Row(r);
            return all;
        };
        const QStringList before = captions();
        table.host.Asked.clear();
        table.host.MenuChoice = row.Choice;
        QSignalSpy announced(&table.control, &ProductionPeriodTable::PropertyChanged);
        Label& cell = table.control.Cell(row.Row, row.Column < 0 ? 9 : row.Column);
        QTest::mouseRelease(&cell, Qt::RightButton, {}, QPoint(3, 3));
        QStringList shown;
        for (const k7::MenuItem& item : table.host.MenuShown)
            shown << item.Caption;
        EXPECT_EQ(shown, row.Shown);
        EXPECT_EQ(announced.count(), row.Expect.empty() ? 0 : 1);
        for (const auto& [name, value] : row.Expect)
            EXPECT_EQ(table.control.Value(name), value) << name.toStdString();
        EXPECT_TRUE(table.host.Asked.isEmpty()) << "the host is not asked";
        EXPECT_EQ(captions(), before) << "nothing reloads";
        EXPECT_EQ(table.replies->Sent.size(), 1);
    }
}

TEST(ProductionPeriodTableMenu, NothingBeforeTheFirstBuildAndAccumulatedNeedsARebuildBeforeThePlainLoadFits) {
    ScriptedTable table("20240101060000", "20240101080000");
    table.Reply(FollowUpReply({{{"GoodQuantity", "4"}}, {{"GoodQuantity", "5"}}}));
    table.control.show();
    table.host.MenuChoice = 1;
    QSignalSpy announced(&table.control, &ProductionPeriodTable::PropertyChanged);
    QTest::mouseRelease(&table.control.Cell(0, 0), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_TRUE(table.host.MenuShown.empty());
    EXPECT_EQ(announced.count(), 0);
    table.control.Refresh(false);
    QTest::mouseRelease(&table.control.Cell(0, 3), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(table.control.Accumulated());
    table.control.Refresh(true);
    EXPECT_EQ(table.control.Error(), "424-Object required") << "one period more than the reply holds";
    table.control.Refresh(false);
    EXPECT_EQ(table.Row(5), (QStringList{"Good", "4", "9"}));
}

TEST(ProductionPeriodTableProperties, ACaptionListRenamesItsMenuAfterStoringAndBeforeTellingTheHost) {
    struct {
        const char* Case;
        QString Property, Value;
        int Menu;
        QStringList Items; // the menu's captions afterwards
        bool Raises;
    } const rows[] = {
        {"long names in brackets",
         "LabelBad",
         "Bad,Scrap,Rework;S and R,S only,R only",
         4,
         {"Bad (S and R)", "Scrap (S only)", "Rework (R only)"},
         false},
        {"no comma: design captions", "LabelBad", "Scrap only", 4, {"Bad", "Scrap", "Rework"}, false},
        {"equal or missing long names", "LabelTarget", "A,B;A", 1, {"A", "B", "Act."}, false},
        {"without long names", "LabelGreenTarget", "a,b", 2, QStringList{"a", "b"} + kTargets.mid(2), false},
        {"more items than the menu: stored, not told", "LabelGood", "G,D,X", 5, {"G", "D"}, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Case);
        ScriptedTable table("", "");
        const QStringList design = Items(table.control.mnu(row.Menu));
        k7::PropertyBag saved;
        saved.WriteProperty(row.Property, V(row.Value));
        table.control.ReadProperties(saved);
        EXPECT_EQ(Items(table.control.mnu(row.Menu)), design) << "restoring renames no menu";
        table.control.ReadProperties(k7::PropertyBag());
        if (row.Raises)
            EXPECT_THROW(table.control.Assign(row.Property, V(row.Value)), k7::RuntimeError);
        else
            table.control.Assign(row.Property, V(row.Value));
        EXPECT_EQ(table.control.Value(row.Property), V(row.Value)) << "stored in every case";
        EXPECT_EQ(table.host.Asked, QStringList{row.Property});
        EXPECT_EQ(table.host.Changed, row.Raises ? QStringList{} : QStringList{row.Property});
        EXPECT_EQ(Items(table.control.mnu(row.Menu)), row.Items);
    }
}

TEST(ProductionPeriodTableProperties, FontsActOnTheControlFontFallBackSilentlyAndAreSavedInTheirOwnType) {
    struct {
        const char* Case;
        QString Property;
        V First, Second, ReadFirst, ReadSecond;
        bool SecondNotifies;
        V Saved;
    } const rows[] = {
        {"bold, then no Boolean", "FontBold", V("True"), V("yes"), V("True"), V("False"), false, V(false)},
        {"italic, then off", "FontItalic", V("true"), V(false), V("True"), V("False"), true, V(false)},
        {"size, then none a font has", "FontSize", V(14.5), V(int16_t(0)), V(int16_t(14)), V(int16_t(10)),
         false, V(10.0f)},
        {"colour, then no number", "FontColor", V("65280"), V("green"), V(int32_t(0xFF00)),
         V(int32_t(0xFFFFFF)), false, V(int32_t(0xFFFFFF))},
        {"name, then another", "FontName", V("Small Fonts"), V("Tahoma"), V("Small Fonts"), V("Tahoma"), true,
         V("Tahoma")}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Case);
        ScriptedTable table("", "");
        table.control.Assign(row.Property, row.First);
        EXPECT_EQ(table.control.Value(row.Property), row.ReadFirst);
        EXPECT_EQ(table.host.Changed, QStringList{row.Property});
        table.control.Assign(row.Property, row.Second);
        EXPECT_EQ(table.control.Value(row.Property), row.ReadSecond);
        EXPECT_EQ(table.host.Changed.size(), row.SecondNotifies ? 2 : 1);
        k7::PropertyBag written;
        table.control.WriteProperties(written);
        EXPECT_EQ(written.ReadProperty(row.Property), row.Saved);
    }
}

// The good row's colours themselves: ProductionPeriodTableTest. Here what lies above what.
TEST(ProductionPeriodTableRendering, TheGoodRowIsOpaqueAndTheElapsedBarShowsThroughTheOtherRows) {
    ScriptedTable table("20240101060000", "20240101090000");
    table.Reply(
        FollowUpReply(std::vector<Period>(3, {{"GoodQuantity", "30"}, {"OEEPlannedQuantityGreen", "25"}})));
    table.control.SetExtent(9000, 1800);
    table.control.Refresh(false);
    const QImage image = table.control.grab().toImage();
    const auto pixel = [&](int row, int column) {
        const QRect cell = table.control.Cell(row, column).geometry();
        return image.pixelColor(cell.left() + 1, cell.top() + 1);
    };
    EXPECT_EQ(pixel(5, 1), k7::Colors::ToQColor(ProductionPeriodTable::ColorGreen));
    EXPECT_EQ(pixel(3, 2), QColor(0, 0, 0)) << "other rows are transparent over the black control";
    const k7::FilledRect& bar = table.control.BarMax();
    const int barMiddle = static_cast<int>(table.control.TwipsToPixels(bar.Top() + bar.Height() / 2));
    EXPECT_EQ(image.pixelColor(table.control.Cell(1, 2).geometry().left() + 1, barMiddle), QColor(0, 0, 128))
        << "the elapsed bar behind the capacity row";
}

// A booking made at the plant shows after the next Refresh(True), in the hour it was booked.
TEST(ProductionPeriodTableOnPlant, ShowsBookedScrapAfterTheNextRefresh) {
    const k7::test::FrozenClock frozen(k7::Common::ToDate("20240315103000"));
    k7::plant::PlantService plant;
    plant.Start(0);
    ScriptedTable onPlant("20240315060000", "20240315140000");
    ProductionPeriodTable& control = onPlant.control;
    control.SetRequestFactory({}); // real HTTP
    control.setAPIHost(plant.BaseUrl());
    control.Refresh(false);
    ASSERT_EQ(control.Error(), "");
    EXPECT_GT(control.Cell(3, 4).Caption().toInt(), 0) << "an hour that has passed produced";
    EXPECT_EQ(control.Cell(3, 8).Caption(), "0") << "the last hour is still ahead";
    const int scrapBefore = control.Cell(4, 5).Caption().toInt();
    plant.WithModel([](k7::plant::PlantModel& model) {
        const auto causes = model.TopScrapCauses("P100", k7::Clock::Now());
        ASSERT_FALSE(causes.empty());
        EXPECT_FALSE(model.BookScrap("P100", causes.front().Id, 7, k7::Clock::Now()).has_value());
    });
    control.Refresh(true);
    EXPECT_EQ(control.Cell(4, 5).Caption().toInt(), scrapBefore + 7);
    EXPECT_EQ(plant.RequestCount("processes/kpis/followup"), 2);
}

} // namespace
