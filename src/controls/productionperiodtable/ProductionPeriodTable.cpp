#include "controls/productionperiodtable/ProductionPeriodTable.h"

#include "core/Clock_p.h"
#include "core/Common_p.h"
#include "core/Conversions_p.h"
#include "core/Date.h"
#include "core/RuntimeError.h"
#include "frame/children/FilledRect_p.h"
#include "frame/children/Label.h"
#include "frame/children/PopupMenu.h"
#include "frame/children/WidgetArray_p.h"
#include "frame/control/ControlHost.h"
#include "frame/control/FrameErrors_p.h"
#include "frame/drawing/Colors.h"
#include "frame/drawing/Twips.h"
#include "frame/properties/CaptionList_p.h"
#include "frame/properties/PropertyDeclarations_p.h"
#include "json/JsonBag.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

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

// Its own properties, one line each (frame/properties/PropertyDeclarations_p.h), in the order they are persisted,
// which differs from the interface order (ClassIdentity). A new control holds them empty, zero or
// false; the defaults are what a restore takes. The font rows act on the control's font, which the
// cells copy at the next rebuild; a value the font cannot take puts the default back.
#define PRODUCTIONPERIODTABLE_PROPERTIES(HELD, FONT)                                                         \
    HELD(QString, StartDate, QString, "", Notifying, ReadWrite, Persisted)                                   \
    HELD(QString, EndDate, QString, "", Notifying, ReadWrite, Persisted)                                     \
    HELD(QString, LabelOEE, QString, "OEE", Notifying, WriteOnly, Persisted)                                 \
    HELD(QString, LabelTarget, QString, "Max", Notifying, WriteOnly, Persisted)                              \
    HELD(QString, LabelGreenTarget, QString, "Trg", Notifying, WriteOnly, Persisted)                         \
    HELD(QString, LabelProduced, QString, "Produced", Notifying, WriteOnly, Persisted)                       \
    HELD(QString, LabelBad, QString, "Bad", Notifying, WriteOnly, Persisted)                                 \
    HELD(QString, LabelGood, QString, "Good", Notifying, WriteOnly, Persisted)                               \
    HELD(QString, LabelTotal, QString, "Total", Notifying, WriteOnly, Persisted)                             \
    HELD(int, Planned, uint8_t, 0, Notifying, ReadWrite, Persisted)                                          \
    HELD(int, RatiosType, uint8_t, 0, Notifying, ReadWrite, Persisted)                                       \
    HELD(int, RatiosTypeTarget, uint8_t, 0, Notifying, ReadWrite, Persisted)                                 \
    HELD(int, Produced, uint8_t, 1, Notifying, ReadWrite, Persisted)                                         \
    HELD(int, Bad, uint8_t, 1, Notifying, ReadWrite, Persisted)                                              \
    HELD(int, Good, uint8_t, 1, Notifying, ReadWrite, Persisted)                                             \
    HELD(int, Difference, uint8_t, 0, Notifying, ReadWrite, Persisted)                                       \
    HELD(bool, Accumulated, bool, false, Notifying, ReadWrite, Persisted)                                    \
    FONT(QString, FontName, Name, QString, "Tahoma")                                                         \
    FONT(int, FontSize, Size, int16_t, 10)                                                                   \
    FONT(QString, FontBold, Bold, QString, "False")                                                          \
    FONT(QString, FontItalic, Italic, QString, "False")                                                      \
    FONT(uint32_t, FontColor, TextColor, uint32_t, Colors::White)

namespace {
K7_PROPERTY_KEYS(PRODUCTIONPERIODTABLE_PROPERTIES)
} // namespace

struct K7_NO_EXPORT ProductionPeriodTable::Private {
    // The nine slots of one period's figures, or of their running totals (single precision, as
    // the totals are kept).
    using Figures = std::array<float, 9>;

    explicit Private(ProductionPeriodTable& control) : q(control) {}

    ProductionPeriodTable& q;
    K7_HELD_VALUES(PRODUCTIONPERIODTABLE_PROPERTIES)

    int16_t hours = 0;
    int16_t hoursPerColumn = 0;
    int16_t columnCount = 0;

    std::optional<WidgetArray<Label>> lblCell;
    FilledRect* barMax = nullptr;
    FilledRect* barGood = nullptr;
    FilledRect* barTarget = nullptr;
    std::array<PopupMenu*, 7> mnu{};

    // --- loading
    bool LoadTable(bool pBolFull);
    void WritePeriod(const Variant& period, int column, const QString& periodEnd, Figures& values,
                     Figures& totals);
    void WriteRowCaptions();
    void WriteTotalsColumn(const Figures& totals);
    void WriteGoodCell(Label& cell, const Figures& shown, const Figures& colouring);
    // --- layout
    void CellsCreation();
    void LayoutTable();
    // The share of a row's height the text takes.
    double FontShare() const;
    void ResetTimeBar();
    double ElapsedBarWidth(double innerWidth) const;
    // --- menus and property writes
    // The menu a release of cell `index` opens, or -1: the view switches in the first column,
    // Planned in the top-left corner, Accumulated in the top-right one.
    int MenuOfCell(int index) const;
    void CellReleased(int index, const QPoint& where);
    void Choose(int menu, int item);
};

const PropertyTable& ProductionPeriodTable::ClassProperties() {
    // Every property asks the host before it changes.
    static const PropertyTable table = [] {
        using T = ProductionPeriodTable;
        PropertyTable properties;
        AddConnectionProperties(properties,
                                {.APIHost = WriteForm::Notifying, .Others = WriteForm::Notifying});
        K7_ADD_PROPERTY_ROWS(ProductionPeriodTable, PRODUCTIONPERIODTABLE_PROPERTIES, properties);
        // Writing one of four caption lists also renames its menu's items.
        const auto renames = [&properties](PropertyKey list, int menu) {
            properties.BeforeNotify<T>(list, [list, menu](T& table) {
                CaptionList::NameMenuItems(table.Value(list).ToText(), table.mnu(menu));
            });
        };
        renames(LabelTargetProperty, 1);
        renames(LabelGreenTargetProperty, 2);
        renames(LabelBadProperty, 4);
        renames(LabelGoodProperty, 5);
        return properties;
    }();
    return table;
}

ProductionPeriodTable::ProductionPeriodTable(QWidget* parent)
    : ServiceControl(parent), d(std::make_unique<Private>(*this)) {
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
    d->lblCell.emplace(cell0, [this](Label& cell) {
        ConnectHandler(&cell, &Label::MouseReleased,
                       [this](int index, Qt::MouseButton, QPoint where) { d->CellReleased(index, where); });
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
    d->barMax = bar("BarMax", 360, Colors::Rgb(0, 0, 128));
    d->barMax->SetFillColor(Colors::Rgb(0, 192, 192));
    d->barGood = bar("BarGood", 1800, Colors::Rgb(128, 128, 128));
    d->barTarget = bar("BarTarget", 720, Colors::Rgb(0, 192, 0));

    const auto menu = [this](int index, const char* items, int first, const QStringList& captions) {
        PopupMenu& created = Create<PopupMenu>(QStringLiteral("mnu"), index, QString::fromLatin1(items));
        created.SetItems(first, captions);
        d->mnu[static_cast<size_t>(index)] = &created;
    };
    menu(0, "mnuPlan", 0, {"Real", "Planned"});
    menu(1, "mnuMax", 1, {"OEE", "EP", "Act."});
    menu(2, "mnuObj", 1, {"GT OEE", "GT EP", "GT S", "GT A", "YT OEE", "YT EP", "YT S", "YT A"});
    menu(4, "mnuBad", 1, {"Bad", "Scrap", "Rework"});
    menu(5, "mnuDiff", 1, {"Good", "Diff"});
    menu(6, "mnuAccum", 0, {"Total", "Accum"});
}

// --- accessors -------------------------------------------------------------------------------

ProductionPeriodTable::~ProductionPeriodTable() = default;

K7_PROPERTY_ACCESSORS(ProductionPeriodTable, PRODUCTIONPERIODTABLE_PROPERTIES)

int16_t ProductionPeriodTable::ColumnCount() const {
    return d->columnCount;
}

int16_t ProductionPeriodTable::Hours() const {
    return d->hours;
}

int16_t ProductionPeriodTable::HoursPerColumn() const {
    return d->hoursPerColumn;
}

const WidgetArray<Label>& ProductionPeriodTable::lblCell() const {
    return *d->lblCell;
}

FilledRect& ProductionPeriodTable::BarMax() const {
    return *d->barMax;
}

Label& ProductionPeriodTable::Cell(int row, int column) const {
    return d->lblCell->At(row * d->columnCount + column);
}

PopupMenu& ProductionPeriodTable::mnu(int index) const {
    if (index < 0 || index >= static_cast<int>(d->mnu.size()) ||
        d->mnu[static_cast<size_t>(index)] == nullptr)
        RaiseMissingElement(index);
    return *d->mnu[static_cast<size_t>(index)];
}

// --- refresh and the period model ---------------------------------------------------------------

void ProductionPeriodTable::RefreshSequence(bool pBolOpened) {
    if (pBolOpened)
        d->LoadTable(false);
    else
        LoadFullTable();
}

bool ProductionPeriodTable::LoadFullTable() {
    d->ResetTimeBar();
    Common::TimeToAddDashboardOversize(d->StartDate, d->EndDate, d->hours, d->hoursPerColumn);
    // HoursPerColumn is at least Hours / 12, so never more than twelve periods.
    const int32_t periods = d->hoursPerColumn == 0
                                ? d->hours
                                : Common::RoundUpLong(static_cast<double>(d->hours) / d->hoursPerColumn);
    d->columnCount = ToInteger(static_cast<double>(periods) + (d->Accumulated ? 1 : 2));
    d->CellsCreation();
    d->LayoutTable();
    d->LoadTable(true);
    return false;
}

// --- loading -----------------------------------------------------------------------------------

bool ProductionPeriodTable::Private::LoadTable(bool pBolFull) {
    // The first period's end is worked out before anything is sent: a StartDate that is no date
    // fails the load with nothing sent.
    const auto periodEnd = std::make_shared<QString>();
    // Captions and totals are written whatever the reply said, so a refused load shows a labelled
    // table of zeros rather than nothing.
    const auto writeFrame = [this](const Figures& totals) {
        const int n = columnCount;
        WriteRowCaptions();
        if (!Accumulated)
            WriteTotalsColumn(totals);
        Label& totalCaption = q.Cell(0, n - 1);
        totalCaption.SetCaption(CaptionList::Select(LabelTotal, totalCaption, Accumulated ? 1 : 0));
        // Always underlined: it opens the Total / Accum menu.
        totalCaption.SetFontUnderline(true);
    };
    return q.RunServiceLoader(
        [this, periodEnd] {
            *periodEnd = Common::FormatYYYYMMDDhhmmss(
                Dates::AddHours(Common::ToDate(StartDate), static_cast<double>(hoursPerColumn)));
            return ServiceCall{
                HttpVerb::Get, QStringLiteral("processes/kpis/followup"),
                q.ConnectionQuery(
                    {{QStringLiteral("datefrom"), StartDate}, {QStringLiteral("dateto"), EndDate}},
                    {{QStringLiteral("planned"), QString::number(Planned)},
                     {QStringLiteral("hourly"), QString::number(hoursPerColumn)}})};
        },
        // Judged by message alone; status is not looked at.
        Judgement::MessageIsSuccess,
        [this, periodEnd, writeFrame](JsonBag& reply) {
            Figures values{};
            Figures totals{};
            const Variant data = reply.Item(Variant(QStringLiteral("data")));
            // With running totals the last period column is the totals column as well.
            const int lastPeriod = Accumulated ? columnCount - 1 : columnCount - 2;
            for (int i = 1; i <= lastPeriod; ++i) {
                WritePeriod(data.Item(Variant(int32_t(i))), i, *periodEnd, values, totals);
                *periodEnd = Common::FormatYYYYMMDDhhmmss(
                    Dates::AddHours(Common::ToDate(*periodEnd), static_cast<double>(hoursPerColumn)));
            }
            writeFrame(totals);
        },
        [writeFrame](JsonBag&) { writeFrame(Figures{}); },
        [this, pBolFull] {
            if (pBolFull) {
                q.YieldOnce();
                q.RepaintNow();
            }
        });
}

void ProductionPeriodTable::Private::WritePeriod(const Variant& period, int column, const QString& periodEnd,
                                                 Figures& values, Figures& totals) {
    const int n = columnCount;
    const Figures& shown = Accumulated ? totals : values;

    Label& hour = q.Cell(0, column);
    hour.SetCaption(periodEnd.mid(8, 2) + QLatin1Char('h'));
    hour.SetFontUnderline(false);

    switch (RatiosType) {
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
    SetFigure(lblCell->At(n + column), shown[Capacity]);

    // The green and yellow targets are read whichever one is shown, so the good row is always
    // coloured against the family of the current choice. Products in double, stored single.
    if (RatiosTypeTarget <= 7) {
        const TargetFamily& family = kTargetFamilies[RatiosTypeTarget % 4];
        const bool yellowShown = RatiosTypeTarget >= 4;
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
    SetFigure(lblCell->At(2 * n + column), shown[Target]);

    values[Made] = ToSingle(Figure(period, "ProducedQuantity"));
    totals[Made] += values[Made];
    SetFigure(lblCell->At(3 * n + column), shown[Made]);

    switch (Bad) {
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
    Label& bad = lblCell->At(4 * n + column);
    bad.SetCaption(FormatFigure(shown[Scrapped]));
    ColourBadCell(bad, values[Scrapped], q.ForeColor());
    bad.SetFontUnderline(false);

    values[GoodParts] = ToSingle(Figure(period, "GoodQuantity"));
    totals[GoodParts] += values[GoodParts];
    // Coloured by the period's own figures even when the caption shows running totals.
    WriteGoodCell(lblCell->At(5 * n + column), shown, values);
}

void ProductionPeriodTable::Private::WriteGoodCell(Label& cell, const Figures& shown,
                                                   const Figures& colouring) {
    if (Good == 1)
        cell.SetCaption(FormatFigure(shown[GoodParts]));
    else if (Difference == 1)
        cell.SetCaption(FormatFigure(shown[GoodParts] - shown[Capacity]));
    // The colour follows the good quantity, also when the caption shows the difference.
    ColourGoodCell(cell, colouring[GoodParts], colouring[GreenTarget], colouring[YellowTarget]);
    cell.SetFontUnderline(false);
}

void ProductionPeriodTable::Private::WriteRowCaptions() {
    const int n = columnCount;
    // Every caption is selected (and its cell underlined or not) before any is shown.
    const std::array<QString, kRows> captions = {
        CaptionList::Select(LabelOEE, lblCell->At(0), Planned),
        CaptionList::Select(LabelTarget, lblCell->At(n), RatiosType),
        CaptionList::Select(LabelGreenTarget, lblCell->At(2 * n), RatiosTypeTarget),
        CaptionList::Select(LabelProduced, lblCell->At(3 * n), 1),
        CaptionList::Select(LabelBad, lblCell->At(4 * n), Bad),
        CaptionList::Select(LabelGood, lblCell->At(5 * n), Difference),
    };
    for (int row = 0; row < kRows; ++row) {
        Label& cell = lblCell->At(row * n);
        cell.SetTextAlign(TextAlign::Left);
        cell.SetCaption(captions[static_cast<size_t>(row)]);
    }
}

void ProductionPeriodTable::Private::WriteTotalsColumn(const Figures& totals) {
    const int c = columnCount - 1;
    for (const auto& [row, slot] :
         std::initializer_list<std::pair<int, Slot>>{{1, Capacity}, {2, Target}, {3, Made}})
        SetFigure(q.Cell(row, c), totals[slot]);
    Label& bad = q.Cell(4, c);
    bad.SetCaption(FormatFigure(totals[Scrapped]));
    ColourBadCell(bad, totals[Scrapped], q.ForeColor());
    bad.SetFontUnderline(false);
    WriteGoodCell(q.Cell(5, c), totals, totals);
}

// --- layout ------------------------------------------------------------------------------------

void ProductionPeriodTable::Private::CellsCreation() {
    lblCell->UnloadCopies();
    q.FitFontToHeight(ToInteger(ToLong(lblCell->At(0).Height())), FontShare());
    const int n = columnCount;
    lblCell->LayOutGrid(kRows, n, [&](Label& cell, int row, int column) {
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
        q.Cell(row, 0).BringToFront();
}

double ProductionPeriodTable::Private::FontShare() const {
    // One line fills the cell; narrower columns (more than ten) get 80 % of it.
    return columnCount > 10 ? 0.8 : 1.0;
}

void ProductionPeriodTable::Resized() {
    d->LayoutTable();
}

void ProductionPeriodTable::Private::LayoutTable() {
    const int n = columnCount;
    if (n == 0)
        return;
    const double innerWidth = q.ScaleWidth();
    // A single column is laid out as if one period column stood beside it.
    const double w = innerWidth / (n > 1 ? n - 1 : 1);
    const double half = w * 0.5;
    const double h = static_cast<double>(q.ScaleHeight()) / kRows;
    // Centres a line of the cells' current size in the row height.
    const double f = Twips::FromPoints(static_cast<double>(lblCell->At(0).FontSize()));
    const int16_t inset = ToInteger(std::floor(h - f) / 2.0);
    q.FitFontToHeight(ToInteger(h), FontShare());

    const float size = q.ControlFont().Size;
    for (int row = 0; row < kRows; ++row) {
        const auto top = static_cast<float>(h * row + inset);
        for (int column = 0; column < n; ++column) {
            Label& cell = lblCell->At(row * n + column);
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
    barMax->SetHeight(static_cast<float>(h));
    barMax->SetTop(static_cast<float>(h));
    barMax->SetWidth(static_cast<float>(ElapsedBarWidth(innerWidth)));
}

double ProductionPeriodTable::Private::ElapsedBarWidth(double innerWidth) const {
    // The dates are compared as texts first, as the host wrote them.
    if (!(StartDate < EndDate))
        return innerWidth;
    const Date start = Common::ToDate(StartDate);
    const Date end = Common::ToDate(EndDate);
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

void ProductionPeriodTable::Private::ResetTimeBar() {
    barMax->SetWidth(0);
    barMax->SetVisible(true);
}

// --- menus -------------------------------------------------------------------------------------

int ProductionPeriodTable::Private::MenuOfCell(int index) const {
    const int n = columnCount;
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

void ProductionPeriodTable::Private::CellReleased(int index, const QPoint& where) {
    const int menu = MenuOfCell(index);
    if (menu < 0)
        return;
    const int item = q.mnu(menu).Exec(where);
    if (item >= 0)
        Choose(menu, item);
}

void ProductionPeriodTable::Private::Choose(int menu, int item) {
    // Stored directly: the host is neither asked nor told that its design changed, only that the
    // view did (PropertyChanged), and decides itself when to reload.
    switch (menu) {
    case 0:
        Planned = static_cast<uint8_t>(item);
        break;
    case 1:
        RatiosType = static_cast<uint8_t>(item - 1);
        break;
    case 2:
        RatiosTypeTarget = static_cast<uint8_t>(item - 1);
        break;
    case 4:
        Bad = static_cast<uint8_t>(item - 1);
        break;
    case 5:
        Good = static_cast<uint8_t>(2 - item);
        Difference = static_cast<uint8_t>(item - 1);
        break;
    case 6:
        Accumulated = item == 1;
        break;
    default:
        return;
    }
    emit q.PropertyChanged();
}

const ComponentIdentity& ProductionPeriodTable::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("ProductionPeriodTable"),
        QStringLiteral("{E2BE2840-4324-461F-BBF7-87148E0D13DA}"),
        QStringLiteral("_ProductionPeriodTable"),
        QStringLiteral("{0108CA8E-D5D1-4635-B765-4FCB7931BB37}"),
        QStringLiteral("__ProductionPeriodTable"),
        QStringLiteral("{C0177605-913D-4051-98F1-C9B2FA4C9DDD}"),
        QStringLiteral("PropertyChanged()"),
        {
            {APIHostProperty, 0x68030038},
            {CompanyProperty, 0x68030037},
            {SessionProperty, 0x68030036},
            {ProcessProperty, 0x68030035},
            {StartDateProperty, 0x68030034},
            {EndDateProperty, 0x68030033},
            {FontSizeProperty, 0x68030032},
            {FontNameProperty, 0x68030031},
            {FontItalicProperty, 0x68030030},
            {FontBoldProperty, 0x6803002F},
            {FontColorProperty, 0x6803002E},
            {ErrorProperty, 0x6803002D},
            // The caption lists are write-only in the interface.
            {LabelOEEProperty, 0x6803002C},
            {LabelTargetProperty, 0x6803002B},
            {LabelGreenTargetProperty, 0x6803002A},
            {LabelProducedProperty, 0x68030029},
            {LabelBadProperty, 0x68030028},
            {LabelGoodProperty, 0x68030027},
            {LabelTotalProperty, 0x68030026},
            {PlannedProperty, 0x68030025},
            {RatiosTypeProperty, 0x68030024},
            {RatiosTypeTargetProperty, 0x68030023},
            {ProducedProperty, 0x68030022},
            {BadProperty, 0x68030021},
            {GoodProperty, 0x68030020},
            {DifferenceProperty, 0x6803001F},
            {AccumulatedProperty, 0x6803001E},
            {"Refresh", 0x6003003A},
            {"LoadFullTable", 0x6003003B},
        },
    };
    return identity;
}

} // namespace k7
