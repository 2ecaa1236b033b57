#include "controls/productionperiodtable/ProductionPeriodTable.h"

#include "core/Clock.h"
#include "core/Common.h"
#include "core/Conversions.h"
#include "core/Date.h"
#include "core/RuntimeError.h"
#include "frame/CaptionList.h"
#include "frame/Colors.h"
#include "frame/ControlHost.h"
#include "frame/FilledRect.h"
#include "frame/FrameErrors.h"
#include "frame/Label.h"
#include "frame/PopupMenu.h"
#include "frame/Twips.h"
#include "json/JsonBag.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace k7 {

namespace {

constexpr int kRows = 6;

// Slots of a period's figures. 5 and 8 are not used.
enum Slot {
    Capacity = 0,
    Target = 1,
    Made = 2,
    Scrapped = 3,
    GoodParts = 4,
    GreenTarget = 6,
    YellowTarget = 7
};

// A figure of a period object: its "value" member as text, read as far as it is a number (0 when
// it is none), so numbers and numeric strings both do. A missing member or a null value raises.
double Figure(const Variant& period, const char* name) {
    return Val(
        period.Item(Variant(QString::fromLatin1(name))).Item(Variant(QStringLiteral("value"))).ToText());
}

// The target families of row 2, by RatiosTypeTarget modulo 4; the choices 4 to 7 show the yellow
// target of the same family instead of the green one.
struct TargetFamily {
    const char* Green;
    const char* Yellow;
    bool TimesActivity;
};
constexpr std::array<TargetFamily, 4> kTargetFamilies = {{
    {"OEEPlannedQuantityGreen", "OEEPlannedQuantityYellow", false},
    {"PEPlannedQuantityGreen", "PEPlannedQuantityYellow", false},
    {"SpeedTargetGreen", "SpeedTargetYellow", false},
    {"OEETargetGreen", "OEETargetYellow", true},
}};

QString FormatFigure(float value) {
    return FormatWholeNumber(static_cast<double>(value));
}

void SetFigure(Label& cell, float value) {
    cell.SetCaption(FormatFigure(value));
    cell.SetFontUnderline(false);
}

// A bad quantity above zero is a warning: pure red; zero or less in the table's text colour.
void ColourBadCell(Label& cell, float bad, uint32_t fontColor) {
    cell.SetForeColor(bad <= 0 ? fontColor : Colors::Red);
}

// The good-cell rule: the good quantity against the green and yellow targets of the same figures.
void ColourGoodCell(Label& cell, float good, float green, float yellow) {
    cell.SetBackStyle(BackStyle::Opaque);
    if (good >= green) {
        cell.SetBackColor(ProductionPeriodTable::ColorGreen);
        cell.SetForeColor(Colors::Black);
    } else if (good >= yellow) {
        cell.SetBackColor(ProductionPeriodTable::ColorYellow);
        cell.SetForeColor(Colors::Black);
    } else {
        cell.SetBackColor(ProductionPeriodTable::ColorRed);
        cell.SetForeColor(Colors::White);
    }
}

} // namespace

const PropertyTable& ProductionPeriodTable::ClassProperties() {
    // Persisted in this order, which differs from the interface order (ClassIdentity). Every
    // property asks the host before it changes; the font ones fall back to their defaults on a
    // value the font cannot take.
    static const PropertyTable table = [] {
        using T = ProductionPeriodTable;
        const WriteForm notifying = WriteForm::Notifying;
        PropertyTable properties;
        AddConnectionProperties(properties, {.APIHost = notifying, .Others = notifying});
        // Writing one of four caption lists also renames its menu's items.
        const auto renames = [](QString T::*list, int menu) {
            return [list, menu](T& table) { CaptionList::NameMenuItems(table.*list, table.mnu(menu)); };
        };
        properties.Add(StartDateProperty, &T::startDate_, notifying, Variant(QString()))
            .Add(EndDateProperty, &T::endDate_, notifying, Variant(QString()))
            .Add(LabelOEEProperty, &T::labelOEE_, notifying, Variant("OEE"))
            .WriteOnly()
            .Add(LabelTargetProperty, &T::labelTarget_, notifying, Variant("Max"))
            .WriteOnly()
            .BeforeNotify<T>(renames(&T::labelTarget_, 1))
            .Add(LabelGreenTargetProperty, &T::labelGreenTarget_, notifying, Variant("Trg"))
            .WriteOnly()
            .BeforeNotify<T>(renames(&T::labelGreenTarget_, 2))
            .Add(LabelProducedProperty, &T::labelProduced_, notifying, Variant("Produced"))
            .WriteOnly()
            .Add(LabelBadProperty, &T::labelBad_, notifying, Variant("Bad"))
            .WriteOnly()
            .BeforeNotify<T>(renames(&T::labelBad_, 4))
            .Add(LabelGoodProperty, &T::labelGood_, notifying, Variant("Good"))
            .WriteOnly()
            .BeforeNotify<T>(renames(&T::labelGood_, 5))
            .Add(LabelTotalProperty, &T::labelTotal_, notifying, Variant("Total"))
            .WriteOnly()
            .Add(PlannedProperty, &T::planned_, notifying, Variant(uint8_t(0)))
            .Add(RatiosTypeProperty, &T::ratiosType_, notifying, Variant(uint8_t(0)))
            .Add(RatiosTypeTargetProperty, &T::ratiosTypeTarget_, notifying, Variant(uint8_t(0)))
            .Add(ProducedProperty, &T::produced_, notifying, Variant(uint8_t(1)))
            .Add(BadProperty, &T::bad_, notifying, Variant(uint8_t(1)))
            .Add(GoodProperty, &T::good_, notifying, Variant(uint8_t(1)))
            .Add(DifferenceProperty, &T::difference_, notifying, Variant(uint8_t(0)))
            .Add(AccumulatedProperty, &T::accumulated_, notifying, Variant(false))
            // The font rows act on the control's font, which the cells copy at the next rebuild.
            .AddFontAttribute(FontNameProperty, FontPart::Name, PropertyType::String,
                              Variant(QStringLiteral("Tahoma")))
            .AddFontAttribute(FontSizeProperty, FontPart::Size, PropertyType::Integer, Variant(int16_t(10)))
            .AddFontAttribute(FontBoldProperty, FontPart::Bold, PropertyType::String, Variant("False"))
            .AddFontAttribute(FontItalicProperty, FontPart::Italic, PropertyType::String, Variant("False"))
            .AddFontAttribute(FontColorProperty, FontPart::TextColor, PropertyType::Color,
                              Variant(int32_t(Colors::White)));
        return properties;
    }();
    return table;
}

ProductionPeriodTable::ProductionPeriodTable(QWidget* parent) : ServiceControl(parent) {
    SetDesignExtent(7095, 2175);
    SetBackColor(Colors::Black);
    SetControlFont(FontStyle{.Name = QStringLiteral("Tahoma"), .Size = 9.75f});
    SetForeColor(Colors::White);

    Label& cell0 = Create<Label>(QStringLiteral("lblCell"), 0)
                       .ApplyDesign({.Bounds = {0, 0, 735, 375},
                                     .Font = FontStyle{.Name = QStringLiteral("Tahoma")},
                                     .ForeColor = Colors::White,
                                     .Back = BackStyle::Transparent});
    cell0.SetWordWrap(false);
    lblCell_.emplace(cell0, [this](Label& cell) {
        ConnectHandler(&cell, &Label::MouseReleased,
                       [this](int index, Qt::MouseButton, QPoint where) { CellReleased(index, where); });
    });

    // The fill colours of the three bars are stored with a transparent fill, so each shows its
    // background colour.
    const auto bar = [this](const char* name, float top, uint32_t color) {
        FilledRect& rect = Create<FilledRect>(QString::fromLatin1(name))
                               .ApplyDesign({.Bounds = {0, top, 7095, 375},
                                             .Look = {.Fill = FillStyle::Transparent,
                                                      .BackColor = color,
                                                      .Back = BackStyle::Opaque}});
        rect.SetVisible(false);
        return &rect;
    };
    barMax_ = bar("BarMax", 360, Colors::Rgb(0, 0, 128));
    barMax_->SetFillColor(Colors::Rgb(0, 192, 192));
    barGood_ = bar("BarGood", 1800, Colors::Rgb(128, 128, 128));
    barTarget_ = bar("BarTarget", 720, Colors::Rgb(0, 192, 0));

    const auto menu = [this](int index, const char* items, int first, const QStringList& captions) {
        PopupMenu& created = Create<PopupMenu>(QStringLiteral("mnu"), index, QString::fromLatin1(items));
        created.SetItems(first, captions);
        mnu_[static_cast<size_t>(index)] = &created;
    };
    menu(0, "mnuPlan", 0, {"Real", "Planned"});
    menu(1, "mnuMax", 1, {"OEE", "EP", "Act."});
    menu(2, "mnuObj", 1, {"GT OEE", "GT EP", "GT S", "GT A", "YT OEE", "YT EP", "YT S", "YT A"});
    menu(4, "mnuBad", 1, {"Bad", "Scrap", "Rework"});
    menu(5, "mnuDiff", 1, {"Good", "Diff"});
    menu(6, "mnuAccum", 0, {"Total", "Accum"});
}

// --- accessors -------------------------------------------------------------------------------

Label& ProductionPeriodTable::Cell(int row, int column) const {
    return lblCell_->At(row * columnCount_ + column);
}

PopupMenu& ProductionPeriodTable::mnu(int index) const {
    if (index < 0 || index >= static_cast<int>(mnu_.size()) || mnu_[static_cast<size_t>(index)] == nullptr)
        RaiseMissingElement(index);
    return *mnu_[static_cast<size_t>(index)];
}

// --- refresh and the period model ---------------------------------------------------------------

void ProductionPeriodTable::RefreshSequence(bool pBolOpened) {
    if (pBolOpened)
        LoadTable(false);
    else
        LoadFullTable();
}

bool ProductionPeriodTable::LoadFullTable() {
    ResetTimeBar();
    Common::TimeToAddDashboardOversize(startDate_, endDate_, hours_, hoursPerColumn_);
    // HoursPerColumn is at least Hours / 12, so never more than twelve periods.
    const int32_t periods =
        hoursPerColumn_ == 0 ? hours_ : Common::RoundUpLong(static_cast<double>(hours_) / hoursPerColumn_);
    columnCount_ = ToInteger(static_cast<double>(periods) + (accumulated_ ? 1 : 2));
    CellsCreation();
    LayoutTable();
    LoadTable(true);
    return false;
}

// --- loading -----------------------------------------------------------------------------------

bool ProductionPeriodTable::LoadTable(bool pBolFull) {
    // The first period's end is worked out before anything is sent: a StartDate that is no date
    // fails the load with nothing sent.
    const auto periodEnd = std::make_shared<QString>();
    // Captions and totals are written whatever the reply said, so a refused load shows a labelled
    // table of zeros rather than nothing.
    const auto writeFrame = [this](const Figures& totals) {
        const int n = columnCount_;
        WriteRowCaptions();
        if (!accumulated_)
            WriteTotalsColumn(totals);
        Label& totalCaption = Cell(0, n - 1);
        totalCaption.SetCaption(CaptionList::Select(labelTotal_, totalCaption, accumulated_ ? 1 : 0));
        // Always underlined: it opens the Total / Accum menu.
        totalCaption.SetFontUnderline(true);
    };
    return RunServiceLoader(
        [this, periodEnd] {
            *periodEnd = Common::FormatYYYYMMDDhhmmss(
                Dates::AddHours(Common::ToDate(startDate_), static_cast<double>(hoursPerColumn_)));
            return ServiceCall{
                HttpVerb::Get, QStringLiteral("processes/kpis/followup"),
                ConnectionQuery(
                    {{QStringLiteral("datefrom"), startDate_}, {QStringLiteral("dateto"), endDate_}},
                    {{QStringLiteral("planned"), QString::number(planned_)},
                     {QStringLiteral("hourly"), QString::number(hoursPerColumn_)}})};
        },
        // Judged by message alone; status is not looked at.
        Judgement::MessageIsSuccess,
        [this, periodEnd, writeFrame](JsonBag& reply) {
            Figures values{};
            Figures totals{};
            const Variant data = reply.Item(Variant(QStringLiteral("data")));
            // With running totals the last period column is the totals column as well.
            const int lastPeriod = accumulated_ ? columnCount_ - 1 : columnCount_ - 2;
            for (int i = 1; i <= lastPeriod; ++i) {
                WritePeriod(data.Item(Variant(int32_t(i))), i, *periodEnd, values, totals);
                *periodEnd = Common::FormatYYYYMMDDhhmmss(
                    Dates::AddHours(Common::ToDate(*periodEnd), static_cast<double>(hoursPerColumn_)));
            }
            writeFrame(totals);
        },
        [writeFrame](JsonBag&) { writeFrame(Figures{}); },
        [this, pBolFull] {
            if (pBolFull) {
                YieldOnce();
                RepaintNow();
            }
        });
}

void ProductionPeriodTable::WritePeriod(const Variant& period, int column, const QString& periodEnd,
                                        Figures& values, Figures& totals) {
    const int n = columnCount_;
    const Figures& shown = accumulated_ ? totals : values;

    Label& hour = Cell(0, column);
    hour.SetCaption(periodEnd.mid(8, 2) + QLatin1Char('h'));
    hour.SetFontUnderline(false);

    switch (ratiosType_) {
    case 0:
        values[Capacity] = ToSingle(Figure(period, "OEETheoricalQuantity"));
        break;
    case 1:
        values[Capacity] = ToSingle(Figure(period, "PETheoricalQuantity"));
        break;
    case 2:
        values[Capacity] = ToSingle(Figure(period, "Activity"));
        break;
    default:
        break;
    }
    totals[Capacity] += values[Capacity];
    SetFigure(lblCell_->At(n + column), shown[Capacity]);

    // The green and yellow targets are read whichever one is shown, so the good row is always
    // coloured against the family of the current choice. Products in double, stored single.
    if (ratiosTypeTarget_ <= 7) {
        const TargetFamily& family = kTargetFamilies[ratiosTypeTarget_ % 4];
        const bool yellowShown = ratiosTypeTarget_ >= 4;
        const auto target = [&](const char* name) {
            const double figure = Figure(period, name);
            return ToSingle(family.TimesActivity ? figure * Figure(period, "Activity") : figure);
        };
        values[Target] = target(yellowShown ? family.Yellow : family.Green);
        const float other = target(yellowShown ? family.Green : family.Yellow);
        values[GreenTarget] = yellowShown ? other : values[Target];
        values[YellowTarget] = yellowShown ? values[Target] : other;
    }
    for (const Slot slot : {Target, GreenTarget, YellowTarget})
        totals[slot] += values[slot];
    SetFigure(lblCell_->At(2 * n + column), shown[Target]);

    values[Made] = ToSingle(Figure(period, "ProducedQuantity"));
    totals[Made] += values[Made];
    SetFigure(lblCell_->At(3 * n + column), shown[Made]);

    switch (bad_) {
    case 0:
        values[Scrapped] = ToSingle(Figure(period, "ScrapQuantity") + Figure(period, "ReworkQuantity"));
        break;
    case 1:
        values[Scrapped] = ToSingle(Figure(period, "ScrapQuantity"));
        break;
    case 2:
        values[Scrapped] = ToSingle(Figure(period, "ReworkQuantity"));
        break;
    default:
        break;
    }
    totals[Scrapped] += values[Scrapped];
    Label& bad = lblCell_->At(4 * n + column);
    bad.SetCaption(FormatFigure(shown[Scrapped]));
    ColourBadCell(bad, values[Scrapped], ForeColor());
    bad.SetFontUnderline(false);

    values[GoodParts] = ToSingle(Figure(period, "GoodQuantity"));
    totals[GoodParts] += values[GoodParts];
    // Coloured by the period's own figures even when the caption shows running totals.
    WriteGoodCell(lblCell_->At(5 * n + column), shown, values);
}

void ProductionPeriodTable::WriteGoodCell(Label& cell, const Figures& shown, const Figures& colouring) {
    if (good_ == 1)
        cell.SetCaption(FormatFigure(shown[GoodParts]));
    else if (difference_ == 1)
        cell.SetCaption(FormatFigure(shown[GoodParts] - shown[Capacity]));
    // The colour follows the good quantity, also when the caption shows the difference.
    ColourGoodCell(cell, colouring[GoodParts], colouring[GreenTarget], colouring[YellowTarget]);
    cell.SetFontUnderline(false);
}

void ProductionPeriodTable::WriteRowCaptions() {
    const int n = columnCount_;
    // Every caption is selected (and its cell underlined or not) before any is shown.
    const std::array<QString, kRows> captions = {
        CaptionList::Select(labelOEE_, lblCell_->At(0), planned_),
        CaptionList::Select(labelTarget_, lblCell_->At(n), ratiosType_),
        CaptionList::Select(labelGreenTarget_, lblCell_->At(2 * n), ratiosTypeTarget_),
        CaptionList::Select(labelProduced_, lblCell_->At(3 * n), 1),
        CaptionList::Select(labelBad_, lblCell_->At(4 * n), bad_),
        CaptionList::Select(labelGood_, lblCell_->At(5 * n), difference_),
    };
    for (int row = 0; row < kRows; ++row) {
        Label& cell = lblCell_->At(row * n);
        cell.SetTextAlign(TextAlign::Left);
        cell.SetCaption(captions[static_cast<size_t>(row)]);
    }
}

void ProductionPeriodTable::WriteTotalsColumn(const Figures& totals) {
    const int c = columnCount_ - 1;
    for (const auto& [row, slot] :
         std::initializer_list<std::pair<int, Slot>>{{1, Capacity}, {2, Target}, {3, Made}})
        SetFigure(Cell(row, c), totals[slot]);
    Label& bad = Cell(4, c);
    bad.SetCaption(FormatFigure(totals[Scrapped]));
    ColourBadCell(bad, totals[Scrapped], ForeColor());
    bad.SetFontUnderline(false);
    WriteGoodCell(Cell(5, c), totals, totals);
}

// --- layout ------------------------------------------------------------------------------------

void ProductionPeriodTable::CellsCreation() {
    lblCell_->UnloadCopies();
    FitFontToHeight(ToInteger(ToLong(lblCell_->At(0).Height())), FontShare());
    const int n = columnCount_;
    lblCell_->LayOutGrid(kRows, n, [&](Label& cell, int row, int column) {
        cell.SetCaption(QString());
        cell.TakeControlFont();
        cell.SetVisible(true);
        cell.SetTextAlign(column == n - 1 ? TextAlign::Right : TextAlign::Center);
        cell.SetOpensOnRelease(MenuOfCell(row * n + column) >= 0);
        // Above BarMax.
        cell.BringToFront();
    });
    // The row captions reach 0.15 column widths into the first period column, whose good cell is
    // opaque; raised last, "Good" is read whole above it rather than as "Goo" beneath it. Their
    // backgrounds are transparent, so they hide nothing of that column.
    for (int row = 0; n > 0 && row < kRows; ++row)
        Cell(row, 0).BringToFront();
}

double ProductionPeriodTable::FontShare() const {
    // One line fills the cell; narrower columns (more than ten) get 80 % of it.
    return columnCount_ > 10 ? 0.8 : 1.0;
}

void ProductionPeriodTable::Resized() {
    LayoutTable();
}

void ProductionPeriodTable::LayoutTable() {
    const int n = columnCount_;
    if (n == 0)
        return;
    const double innerWidth = ScaleWidth();
    // A single column is laid out as if one period column stood beside it.
    const double w = innerWidth / (n > 1 ? n - 1 : 1);
    const double half = w * 0.5;
    const double h = static_cast<double>(ScaleHeight()) / kRows;
    // Centres a line of the cells' current size in the row height.
    const double f = Twips::FromPoints(static_cast<double>(lblCell_->At(0).FontSize()));
    const int16_t d = ToInteger(std::floor(h - f) / 2.0);
    FitFontToHeight(ToInteger(h), FontShare());

    const float size = ControlFont().Size;
    for (int row = 0; row < kRows; ++row) {
        const auto top = static_cast<float>(h * row + d);
        for (int column = 0; column < n; ++column) {
            Label& cell = lblCell_->At(row * n + column);
            cell.SetFontSize(size);
            // Caption column 0.65 widths from the edge, periods one width from half a width in,
            // the last column 0.6 widths shifted 0.15 to the left: together they span the width.
            if (column == 0)
                cell.SetTopHeightLeftWidth(top, static_cast<float>(h), 30, static_cast<float>(half * 1.3));
            else if (column == n - 1)
                cell.SetTopHeightLeftWidth(top, static_cast<float>(h),
                                           static_cast<float>(w * (column - 1) + half - half * 0.3),
                                           static_cast<float>(half * 1.2));
            else
                cell.SetTopHeightLeftWidth(top, static_cast<float>(h),
                                           static_cast<float>(w * (column - 1) + half),
                                           static_cast<float>(w));
        }
    }
    barMax_->SetHeight(static_cast<float>(h));
    barMax_->SetTop(static_cast<float>(h));
    barMax_->SetWidth(static_cast<float>(ElapsedBarWidth(innerWidth)));
}

double ProductionPeriodTable::ElapsedBarWidth(double innerWidth) const {
    // The dates are compared as texts first, as the host wrote them.
    if (!(startDate_ < endDate_))
        return innerWidth;
    const Date start = Common::ToDate(startDate_);
    const Date end = Common::ToDate(endDate_);
    const Date now = Clock::Now();
    if (Dates::ToLinear(now) > Dates::ToLinear(end))
        return innerWidth;
    const int64_t span = Dates::DiffSeconds(start, end);
    if (span <= 0)
        return innerWidth;
    // Before the window opens there is nothing to show yet.
    const int64_t elapsed = std::max<int64_t>(0, Dates::DiffSeconds(start, now));
    return innerWidth * static_cast<double>(elapsed) / static_cast<double>(span);
}

void ProductionPeriodTable::ResetTimeBar() {
    barMax_->SetWidth(0);
    barMax_->SetVisible(true);
}

// --- menus -------------------------------------------------------------------------------------

int ProductionPeriodTable::MenuOfCell(int index) const {
    const int n = columnCount_;
    if (n == 0)
        return -1;
    const int row = index / n;
    const int column = index % n;
    if (row == 0 && column == 0)
        return 0;
    if (row == 0 && column == n - 1)
        return 6;
    if (column == 0 && (row == 1 || row == 2 || row == 4 || row == 5))
        return row;
    return -1;
}

void ProductionPeriodTable::CellReleased(int index, const QPoint& where) {
    const int menu = MenuOfCell(index);
    if (menu < 0)
        return;
    const int item = mnu(menu).Exec(where);
    if (item >= 0)
        Choose(menu, item);
}

void ProductionPeriodTable::Choose(int menu, int item) {
    // Stored directly: the host is neither asked nor told that its design changed, only that the
    // view did (PropertyChanged), and decides itself when to reload.
    switch (menu) {
    case 0:
        planned_ = static_cast<uint8_t>(item);
        break;
    case 1:
        ratiosType_ = static_cast<uint8_t>(item - 1);
        break;
    case 2:
        ratiosTypeTarget_ = static_cast<uint8_t>(item - 1);
        break;
    case 4:
        bad_ = static_cast<uint8_t>(item - 1);
        break;
    case 5:
        good_ = static_cast<uint8_t>(2 - item);
        difference_ = static_cast<uint8_t>(item - 1);
        break;
    case 6:
        accumulated_ = item == 1;
        break;
    default:
        return;
    }
    emit PropertyChanged();
}

} // namespace k7
