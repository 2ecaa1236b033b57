#include "controls/oeetracker/OEETracker.h"

#include "core/Common_p.h"
#include "core/Conversions_p.h"
#include "core/RuntimeError.h"
#include "frame/children/FilledRect_p.h"
#include "frame/children/Label.h"
#include "frame/children/Line_p.h"
#include "frame/children/WidgetArray_p.h"
#include "frame/drawing/Colors.h"
#include "frame/properties/PropertyDeclarations_p.h"
#include "frame/requests/Payload_p.h"
#include "json/JsonBag.h"

#include <algorithm>

namespace k7 {

namespace {

const QString kDashboardPath = QStringLiteral("processes/kpis/dashboard");
constexpr uint32_t kAxisColor = Colors::Rgb(224, 224, 224);
// The window reaches this many days back from its last day, and at most this many days of a reply
// are stored, whatever BarNum says.
constexpr int kWindowDays = 31;

// A figure of a day entry: its value as text, read as the leading decimal number of that text
// (0 when it starts with none).
double Figure(const Variant& entry, const char* name) {
    return Val(entry.Item(Variant(QString::fromLatin1(name))).ToText());
}

// The day's own targets judge its unrounded OEE; reaching a target counts.
uint32_t DayColor(const Variant& entry) {
    const double oee = Figure(entry, "OEE");
    if (Figure(entry, "OEETargetGreen") <= oee)
        return OEETracker::Green;
    if (Figure(entry, "OEETargetYellow") <= oee)
        return OEETracker::Yellow;
    return OEETracker::Red;
}

int16_t DayPercent(const Variant& entry) {
    return ToInteger(Figure(entry, "OEE"));
}

} // namespace

// Its own properties, one line each (frame/properties/PropertyDeclarations_p.h).
#define OEETRACKER_PROPERTIES(HELD, FONT)                                                                    \
    HELD(QString, StartDate, QString, "", Notifying, ReadWrite, Persisted)                                   \
    HELD(QString, BarNum, int16_t, 30, Plain, ReadWrite, Persisted)

namespace {
K7_PROPERTY_KEYS(OEETRACKER_PROPERTIES)
} // namespace

struct K7_NO_EXPORT OEETracker::Private {
    OEETracker& q;
    WidgetArray<FilledRect> barOee;
    WidgetArray<Line> lineV;
    WidgetArray<Line> lineH;
    WidgetArray<Label> lblDay;
    WidgetArray<Label> lblOeeV;
    K7_HELD_VALUES(OEETRACKER_PROPERTIES)
    int16_t leftMargin = 0;
    int16_t topMargin = 0;
    std::vector<int16_t> oeeValues{};
    std::vector<uint32_t> barColors{};

    // The dashboard request for [from, to], values as they stand.
    ServiceCall DashboardCall(const QString& from, const QString& to) const;
    // Marker `index` placed at `percent` of the plot height above the bottom edge, in `color`.
    void PlaceMarker(int index, int16_t percent, uint32_t color);
};

const PropertyTable& OEETracker::ClassProperties() {
    // Read and written as Company, Session, Process, StartDate, BarNum; the host sets APIHost on
    // every run. A store without "BarNum" gives 30 (a month of 31 slots), while a new control
    // holds 0 until BarNum is written.
    static const PropertyTable table = [] {
        PropertyTable properties;
        AddConnectionProperties(properties, {.APIHost = WriteForm::Notifying,
                                             .Others = WriteForm::Notifying,
                                             .APIHostPersistence = Persistence::NotPersisted});
        K7_ADD_PROPERTY_ROWS(OEETracker, OEETRACKER_PROPERTIES, properties);
        return properties;
    }();
    return table;
}

OEETracker::OEETracker(QWidget* parent)
    : ServiceControl(parent),
      d(new Private{
          .q = *this,
          .barOee = WidgetArray<FilledRect>(
              Create<FilledRect>(QStringLiteral("barOee"), 0)
                  .ApplyDesign({.Bounds = {480, 720, 255, 60}, .Look = {.FillColor = Green}})),
          .lineV = WidgetArray<Line>(
              Create<Line>(QStringLiteral("lineV"), 0)
                  .ApplyDesign({.X1 = 480, .Y1 = 3480, .X2 = 480, .Y2 = 240, .Color = kAxisColor})),
          .lineH = WidgetArray<Line>(
              Create<Line>(QStringLiteral("LineH"), 0)
                  .ApplyDesign({.X1 = 480, .Y1 = 3480, .X2 = 4080, .Y2 = 3480, .Color = kAxisColor})),
          .lblDay = WidgetArray<Label>(
              Create<Label>(QStringLiteral("lblDay"), 0)
                  .ApplyDesign({.Bounds = {480, 0, 255, 255}, .Font = {}, .Back = BackStyle::Transparent})),
          .lblOeeV = WidgetArray<Label>(
              Create<Label>(QStringLiteral("lblOeeV"), 0)
                  .ApplyDesign(
                      {.Bounds = {0, 3360, 375, 255}, .Font = {}, .Back = BackStyle::Transparent}))}) {
    SetDesignExtent(4665, 3600);
    d->lblDay(0).SetCaption(QStringLiteral("31"));
    d->lblOeeV(0).SetCaption(QStringLiteral("0"));
}

OEETracker::~OEETracker() = default;

K7_PROPERTY_ACCESSORS(OEETracker, OEETRACKER_PROPERTIES)

WidgetArray<FilledRect>& OEETracker::barOee() {
    return d->barOee;
}

WidgetArray<Line>& OEETracker::lineV() {
    return d->lineV;
}

WidgetArray<Line>& OEETracker::LineH() {
    return d->lineH;
}

WidgetArray<Label>& OEETracker::lblDay() {
    return d->lblDay;
}

WidgetArray<Label>& OEETracker::lblOeeV() {
    return d->lblOeeV;
}

const std::vector<int16_t>& OEETracker::OeeValues() const {
    return d->oeeValues;
}

const std::vector<uint32_t>& OEETracker::BarColors() const {
    return d->barColors;
}

void OEETracker::RefreshSequence(bool) {
    // The chart is rebuilt whatever the host says about its screen; what the load and the drawing
    // return is of no interest here (failures are in Error).
    ChartCreation();
    LoadFullDays(d->StartDate);
    AfterRequests([this] { ShowData(); });
}

Variant OEETracker::LoadFullChart() {
    return Variant(LoadFullDays(d->StartDate));
}

void OEETracker::ChartCreation() {
    d->leftMargin = 480;
    d->topMargin = 240;
    const double width = Width();
    const double height = Height();
    const int16_t slot = ToInteger((width - d->leftMargin) / (d->BarNum + 1));
    const double markerHeight = d->barOee(0).Height();
    const int16_t step = ToInteger((height - markerHeight - d->topMargin) / 4);
    const float lastLabelWidth = TextWidth(QString::number(d->BarNum));

    for (int i = 0; i <= d->BarNum; ++i) {
        d->lblDay.Grow(i);
        d->barOee.Grow(i);
        d->lineV.Grow(i);
        // Slots per visible day number, so that the numbers stand about 240 twips apart. Wide
        // slots round it to 0: each day then has room for its own number (stride 1).
        const int16_t stride = std::max<int16_t>(1, ToInteger((d->BarNum + 1) / (width / d->topMargin)));
        const double x = d->leftMargin + double(slot) * i;

        Label& day = d->lblDay(i);
        day.SetLeft(static_cast<float>(x - lastLabelWidth / 2.0));
        day.SetTop(0);
        day.SetFontSize(8);
        day.SetCaption(QString::number(i + 1));
        day.SetVisible(i % stride == 0);

        Line& slotLine = d->lineV(i);
        slotLine.SetPoints(static_cast<float>(x), d->topMargin, static_cast<float>(x),
                           static_cast<float>(height - markerHeight));
        if (i > 0)
            slotLine.SetBorderColor(Grid);
        slotLine.SetVisible(true);

        FilledRect& marker = d->barOee(i);
        marker.SetLeft(static_cast<float>(x + 15));
        marker.SetTop(static_cast<float>(height - marker.Height()));
        marker.SetWidth(slot);
        marker.SetVisible(true);
    }

    for (int j = 0; j <= 4; ++j) {
        d->lblOeeV.Grow(j);
        d->lineH.Grow(j);
        Label& value = d->lblOeeV(j);
        value.SetTop(static_cast<float>(height - double(step) * j));
        value.SetFontSize(8);
        value.SetCaption(QString::number(25 * j));
        value.SetVisible(true);

        const auto y = static_cast<float>(height - markerHeight - double(step) * j);
        Line& level = d->lineH(j);
        level.SetPoints(d->leftMargin, y, static_cast<float>(width - slot + 15), y);
        if (j > 0)
            level.SetBorderColor(Grid);
        level.SetVisible(true);
    }

    // Arrays with no elements cannot be made for a negative BarNum.
    if (d->BarNum < 0)
        Raise(ErrorNumber::SubscriptOutOfRange);
    d->oeeValues.assign(static_cast<size_t>(d->BarNum) + 1, 0);
    d->barColors.assign(static_cast<size_t>(d->BarNum) + 1, 0);
}

OEETracker::ServiceCall OEETracker::Private::DashboardCall(const QString& from, const QString& to) const {
    return {HttpVerb::Get, kDashboardPath,
            q.ConnectionQuery({{QStringLiteral("datefrom"), from}, {QStringLiteral("dateto"), to}})};
}

bool OEETracker::LoadFullDays(const QString& pStrEnd) {
    return RunServiceLoader(
        [this, pStrEnd] {
            const QString from =
                Common::FormatYYYYMMDDhhmmss(Dates::AddDays(Common::ToDate(pStrEnd), -kWindowDays));
            return d->DashboardCall(from, pStrEnd);
        },
        Judgement::StatusIsZero,
        [this](JsonBag& reply) {
            const std::shared_ptr<JsonBag> days = Payload(reply);
            const int32_t last = days->Count() - 1;
            for (int32_t i = 0; i <= last && i < kWindowDays; ++i) {
                const Variant entry = days->Item(Variant(i + 1));
                const int16_t percent = DayPercent(entry);
                // More entries than slots: the first one without a slot ends the load.
                if (i >= static_cast<int32_t>(d->oeeValues.size()))
                    Raise(ErrorNumber::SubscriptOutOfRange);
                // The value is kept before the colour is worked out: a day whose targets cannot be
                // read still stands at its OEE (unloaded black) when the load stops there.
                d->oeeValues[static_cast<size_t>(i)] = percent;
                d->barColors[static_cast<size_t>(i)] = DayColor(entry);
            }
        },
        [](JsonBag&) {});
}

bool OEETracker::LoadOneDay(const QString& pStrStart, const QString& pStrEnd, int32_t pLngIndex,
                            QString& pStrError) {
    // The failure is the caller's to show: it comes back in pStrError, Error is left alone.
    return RunServiceLoader(
        d->DashboardCall(pStrStart, pStrEnd), Judgement::StatusIsZero,
        [this, pLngIndex](JsonBag& reply) {
            const Variant entry = reply.Item(Variant(QStringLiteral("data"))).Item(Variant(int32_t(1)));
            d->PlaceMarker(ToInteger(double(pLngIndex)), DayPercent(entry), DayColor(entry));
        },
        [](JsonBag&) {}, {}, [&pStrError](const QString& failure) { pStrError = failure; });
}

bool OEETracker::ShowData() {
    const int32_t last = Common::SafeUbound(d->oeeValues);
    for (int32_t i = 0; i <= last; ++i)
        d->PlaceMarker(i, d->oeeValues[static_cast<size_t>(i)], d->barColors[static_cast<size_t>(i)]);
    RepaintNow();
    return false;
}

void OEETracker::Private::PlaceMarker(int index, int16_t percent, uint32_t color) {
    // The marker's bottom edge runs from H (0 %) up to TopMargin (100 %); values outside 0..100
    // are drawn where they fall, outside the plot.
    FilledRect& marker = barOee(index);
    const double height = q.Height();
    marker.SetTop(static_cast<float>((height - marker.Height()) - (height - topMargin) * percent / 100.0));
    marker.SetFillColor(color);
}

const ComponentIdentity& OEETracker::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("OEETracker"),
        QStringLiteral("{D28EC302-7705-49BF-86D2-426F15193C2D}"),
        QStringLiteral("_OEETracker"),
        QStringLiteral("{2BE7F7AA-B87F-4005-8585-2A60E4C472E5}"),
        QStringLiteral("__OEETracker"),
        QStringLiteral("{44A1FAE2-BFE7-4165-9BC7-00920FDDD9A8}"),
        QStringLiteral("RemoteControl()"),
        {
            {APIHostProperty, 0x68030015},
            {CompanyProperty, 0x68030014},
            {SessionProperty, 0x68030013},
            {ProcessProperty, 0x68030012},
            {StartDateProperty, 0x68030011},
            {BarNumProperty, 0x68030010},
            {ErrorProperty, 0x6803000F},
            {"Refresh", 0x60030018},
            {"LoadFullChart", 0x60030019},
            {"LoadOneDay", 0x6003001A},
            {"ShowData", 0x6003001B},
            {"LoadFullDays", 0x6003001C},
            {"ChartCreation", 0x6003001D},
        },
    };
    return identity;
}

} // namespace k7
