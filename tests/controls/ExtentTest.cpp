// What the controls' layouts make of an extent other than the one they are designed at. Where every
// child sits at the design extent is in the golden dumps; here, for a few children of each control,
// where they go at other extents and the size and face their font takes there (Small Fonts at the
// small sizes, each control at its own threshold), that laying out again at that extent moves
// nothing, and that the design extent gives the design layout back. The path view's picture and
// the OEE chart's slots, which follow rules of their own, are in their controls' tests.

#include "ChildDescriptions.h"
#include "support/Printers.h"

#include "controls/ControlCatalog.h"
#include "core/Variant.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using V = k7::Variant;

namespace {

// Where `element` ("lblCode", "btnScrap(3)") stands, as its dump gives it: its edges (left, top,
// width, height) or a line's ends (x1, y1, x2, y2), then its font's face and size if it has text.
QString Placed(const k7::ControlBase& control, const QString& element) {
    for (const auto& child : control.Children()) {
        if (child->ElementName() != element)
            continue;
        const auto described = Described(*child);
        QStringList place;
        for (const char* field : {"left", "top", "width", "height", "x1", "y1", "x2", "y2"})
            if (described->Exists(V(field)))
                place << described->Item(V(field)).ToText();
        if (described->Exists(V("font"))) {
            const auto font = described->Item(V("font")).As<k7::JsonBag>();
            place << font->Item(V("name")).ToText() << font->Item(V("size")).ToText();
        }
        return place.join(' ');
    }
    return "no " + element;
}

using Properties = std::vector<std::pair<QString, V>>;

// `text` with every decimal number to six significant digits: a size fitted again may differ from
// the one it replaces in the last bit of a float.
QString Rounded(QString text) {
    static const QRegularExpression decimal(R"(-?\d+\.\d+)");
    QRegularExpressionMatch found;
    for (qsizetype from = 0; (found = decimal.match(text, from)).hasMatch();) {
        const QString shorter = QString::number(found.captured().toDouble(), 'g', 6);
        text.replace(found.capturedStart(), found.capturedLength(), shorter);
        from = found.capturedStart() + shorter.size();
    }
    return text;
}

struct ExtentRow {
    const char* Control;
    Properties Assigned; // assigned before the first layout
    float Width, Height;
    const char* Child;
    QString Expected;            // as Placed gives it
    bool BackAtTheDesign = true; // whether the design extent gives the design layout back
};

const Properties kTwentyBars = {{"Bars", V(int16_t(20))}};
const Properties kEightHours = {{"StartDate", V("20240101060000")}, {"EndDate", V("20240101140000")}};
const Properties kOneColumn = {
    {"StartDate", V("20240101060000")}, {"EndDate", V("20240101060000")}, {"Accumulated", V(true)}};

TEST(Extents, ChildrenFollowTheExtentSettleThereAndComeBackAtTheDesignExtent) {
    const ExtentRow rows[] = {
        // A strip on the top 30 %, a two-by-two grid below; fonts 35 % of a button's height.
        {"ScrapScreen", {}, 4000, 1000, "btnAllScrap", "0 0 4000 300 Small Fonts 5.25"},
        {"ScrapScreen", {}, 4000, 1000, "btnScrap(3)", "2000 650 2000 350 Tahoma 6.125"},
        {"ScrapScreen", {}, 6000, 960, "btnScrap(3)", "3000 624 3000 336 Small Fonts 5.88"},
        // Fonts 13 % (labels) and 12 % (buttons) of the height in points.
        {"FaiJustifier", {}, 2000, 770, "lblFai(4)", "1800 0 400 154 Tahoma 5.005"},
        {"FaiJustifier", {}, 2000, 770, "lblTxt", "0 173.25 2000 154 Tahoma 5.005"},
        {"FaiJustifier", {}, 2000, 770, "btnJust(5)", "500 539 500 211.75 Small Fonts 4.62"},
        {"FaiJustifier", {}, 2000, 600, "lblTxt", "0 135 2000 120 Small Fonts 3.9"},
        {"FaiJustifier", {}, 2000, 600, "btnJust(5)", "500 420 500 165 Small Fonts 3.6"},
        // Twenty bars share the width on the base line, below the band.
        {"TimeTracker", kTwentyBars, 1200, 900, "barTime(20)", "1200 855 54 0"},
        {"TimeTracker", kTwentyBars, 1200, 900, "lineTop", "0 270 1200 270"},
        {"TimeTracker", kTwentyBars, 1200, 900, "lblTime", "780 22.5 420 180 Tahoma 7.2"},
        // The caption is fitted from its own width in the face it has.
        {"TimeTracker", {}, 9000, 3585, "lblText", "450 89.625 4950 717 Tahoma 21.25352"},
        {"TimeTracker", {}, 2000, 1500, "lblText", "100 37.5 1100 300 Small Fonts 4.407534"},
        {"TimeTracker", {}, 2150, 1500, "lblText", "107.5 37.5 1182.5 300 Tahoma 5.077229"},
        // The cells share the extent; a single column takes the caption share of the width. The
        // font is fitted from the size the cells carry, so a row this low leaves a smaller one
        // behind at the design extent.
        {"ProductionPeriodTable", kEightHours, 9000, 1800, "lblCell(29)", "8350 630 600 300 Tahoma 12"},
        {"ProductionPeriodTable", kEightHours, 18000, 900, "lblCell(29)", "16700 315 1200 150 Tahoma 6",
         false},
        {"ProductionPeriodTable", kOneColumn, 9000, 1800, "lblCell(3)", "30 930 5850 300 Tahoma 12"},
    };
    for (const ExtentRow& row : rows) {
        SCOPED_TRACE(std::string(row.Control) + " " + row.Child + " at " + std::to_string(row.Width));
        const auto control = k7::ControlCatalog::Create(row.Control);
        ASSERT_NE(control, nullptr);
        for (const auto& [name, value] : row.Assigned)
            control->Assign(name, value);
        // A caption fitted from its own width in the face it has (the cycle clock's) settles at the
        // second layout: the first measures the face it had before.
        const auto layOut = [&control] {
            control->Refresh(false);
            control->Refresh(false);
        };
        layOut();
        const QString design = DescribedChildren(*control);
        const float width = control->Width(), height = control->Height();
        control->SetExtent(row.Width, row.Height);
        layOut();
        EXPECT_EQ(Placed(*control, row.Child), row.Expected);
        layOut();
        EXPECT_EQ(Placed(*control, row.Child), row.Expected) << "laid out again";
        control->SetExtent(width, height);
        layOut();
        if (row.BackAtTheDesign) {
            EXPECT_EQ(Rounded(DescribedChildren(*control)), Rounded(design)) << "back at the design extent";
        }
    }
}

} // namespace
