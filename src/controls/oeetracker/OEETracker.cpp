#include "controls/oeetracker/OEETracker.h"

#include "core/Common.h"
#include "core/Conversions.h"
#include "core/RuntimeError.h"
#include "frame/Colors.h"
#include "frame/Payload.h"
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

const PropertyTable& OEETracker::ClassProperties() {
    // Read and written as Company, Session, Process, StartDate, BarNum; the host sets APIHost on
    // every run. A store without "BarNum" gives 30 (a month of 31 slots), while a new control
    // holds 0 until BarNum is written.
    static const PropertyTable table = [] {
        PropertyTable properties;
        AddConnectionProperties(properties, {.APIHost = WriteForm::Notifying,
                                             .Others = WriteForm::Notifying,
                                             .APIHostPersistence = Persistence::NotPersisted});
        properties.Add(StartDateProperty, &OEETracker::startDate_, WriteForm::Notifying, Variant(QString()))
            .Add(BarNumProperty, &OEETracker::barNum_, WriteForm::Plain, Variant(int16_t(30)));
        return properties;
    }();
    return table;
}

OEETracker::OEETracker(QWidget* parent)
    : ServiceControl(parent),
      barOee_(Create<FilledRect>(QStringLiteral("barOee"), 0)
                  .ApplyDesign({.Bounds = {480, 720, 255, 60}, .Look = {.FillColor = Green}})),
      lineV_(Create<Line>(QStringLiteral("lineV"), 0)
                 .ApplyDesign({.X1 = 480, .Y1 = 3480, .X2 = 480, .Y2 = 240, .Color = kAxisColor})),
      lineH_(Create<Line>(QStringLiteral("LineH"), 0)
                 .ApplyDesign({.X1 = 480, .Y1 = 3480, .X2 = 4080, .Y2 = 3480, .Color = kAxisColor})),
      lblDay_(Create<Label>(QStringLiteral("lblDay"), 0)
                  .ApplyDesign({.Bounds = {480, 0, 255, 255}, .Font = {}, .Back = BackStyle::Transparent})),
      lblOeeV_(
          Create<Label>(QStringLiteral("lblOeeV"), 0)
              .ApplyDesign({.Bounds = {0, 3360, 375, 255}, .Font = {}, .Back = BackStyle::Transparent})) {
    SetDesignExtent(4665, 3600);
    lblDay_(0).SetCaption(QStringLiteral("31"));
    lblOeeV_(0).SetCaption(QStringLiteral("0"));
}

void OEETracker::RefreshSequence(bool) {
    // The chart is rebuilt whatever the host says about its screen; what the load and the drawing
    // return is of no interest here (failures are in Error).
    ChartCreation();
    LoadFullDays(startDate_);
    AfterRequests([this] { ShowData(); });
}

Variant OEETracker::LoadFullChart() {
    return Variant(LoadFullDays(startDate_));
}

void OEETracker::ChartCreation() {
    leftMargin_ = 480;
    topMargin_ = 240;
    const double width = Width();
    const double height = Height();
    const int16_t slot = ToInteger((width - leftMargin_) / (barNum_ + 1));
    const double markerHeight = barOee_(0).Height();
    const int16_t step = ToInteger((height - markerHeight - topMargin_) / 4);
    const float lastLabelWidth = TextWidth(QString::number(barNum_));

    for (int i = 0; i <= barNum_; ++i) {
        lblDay_.Grow(i);
        barOee_.Grow(i);
        lineV_.Grow(i);
        // Slots per visible day number, so that the numbers stand about 240 twips apart. Wide
        // slots round it to 0: each day then has room for its own number (stride 1).
        const int16_t stride = std::max<int16_t>(1, ToInteger((barNum_ + 1) / (width / topMargin_)));
        const double x = leftMargin_ + double(slot) * i;

        Label& day = lblDay_(i);
        day.SetLeft(static_cast<float>(x - lastLabelWidth / 2.0));
        day.SetTop(0);
        day.SetFontSize(8);
        day.SetCaption(QString::number(i + 1));
        day.SetVisible(i % stride == 0);

        Line& slotLine = lineV_(i);
        slotLine.SetPoints(static_cast<float>(x), topMargin_, static_cast<float>(x),
                           static_cast<float>(height - markerHeight));
        if (i > 0)
            slotLine.SetBorderColor(Grid);
        slotLine.SetVisible(true);

        FilledRect& marker = barOee_(i);
        marker.SetLeft(static_cast<float>(x + 15));
        marker.SetTop(static_cast<float>(height - marker.Height()));
        marker.SetWidth(slot);
        marker.SetVisible(true);
    }

    for (int j = 0; j <= 4; ++j) {
        lblOeeV_.Grow(j);
        lineH_.Grow(j);
        Label& value = lblOeeV_(j);
        value.SetTop(static_cast<float>(height - double(step) * j));
        value.SetFontSize(8);
        value.SetCaption(QString::number(25 * j));
        value.SetVisible(true);

        const auto y = static_cast<float>(height - markerHeight - double(step) * j);
        Line& level = lineH_(j);
        level.SetPoints(leftMargin_, y, static_cast<float>(width - slot + 15), y);
        if (j > 0)
            level.SetBorderColor(Grid);
        level.SetVisible(true);
    }

    // Arrays with no elements cannot be made for a negative BarNum.
    if (barNum_ < 0)
        Raise(ErrorNumber::SubscriptOutOfRange);
    oeeValues_.assign(static_cast<size_t>(barNum_) + 1, 0);
    barColors_.assign(static_cast<size_t>(barNum_) + 1, 0);
}

OEETracker::ServiceCall OEETracker::DashboardCall(const QString& from, const QString& to) const {
    return {HttpVerb::Get, kDashboardPath,
            ConnectionQuery({{QStringLiteral("datefrom"), from}, {QStringLiteral("dateto"), to}})};
}

bool OEETracker::LoadFullDays(const QString& pStrEnd) {
    return RunServiceLoader(
        [this, pStrEnd] {
            const QString from =
                Common::FormatYYYYMMDDhhmmss(Dates::AddDays(Common::ToDate(pStrEnd), -kWindowDays));
            return DashboardCall(from, pStrEnd);
        },
        Judgement::StatusIsZero,
        [this](JsonBag& reply) {
            const std::shared_ptr<JsonBag> days = Payload(reply);
            const int32_t last = days->Count() - 1;
            for (int32_t i = 0; i <= last && i < kWindowDays; ++i) {
                const Variant entry = days->Item(Variant(i + 1));
                const int16_t percent = DayPercent(entry);
                // More entries than slots: the first one without a slot ends the load.
                if (i >= static_cast<int32_t>(oeeValues_.size()))
                    Raise(ErrorNumber::SubscriptOutOfRange);
                // The value is kept before the colour is worked out: a day whose targets cannot be
                // read still stands at its OEE (unloaded black) when the load stops there.
                oeeValues_[static_cast<size_t>(i)] = percent;
                barColors_[static_cast<size_t>(i)] = DayColor(entry);
            }
        },
        [](JsonBag&) {});
}

bool OEETracker::LoadOneDay(const QString& pStrStart, const QString& pStrEnd, int32_t pLngIndex,
                            QString& pStrError) {
    // The failure is the caller's to show: it comes back in pStrError, Error is left alone.
    return RunServiceLoader(
        DashboardCall(pStrStart, pStrEnd), Judgement::StatusIsZero,
        [this, pLngIndex](JsonBag& reply) {
            const Variant entry = reply.Item(Variant(QStringLiteral("data"))).Item(Variant(int32_t(1)));
            PlaceMarker(ToInteger(double(pLngIndex)), DayPercent(entry), DayColor(entry));
        },
        [](JsonBag&) {}, {}, [&pStrError](const QString& failure) { pStrError = failure; });
}

bool OEETracker::ShowData() {
    const int32_t last = Common::SafeUbound(oeeValues_);
    for (int32_t i = 0; i <= last; ++i)
        PlaceMarker(i, oeeValues_[static_cast<size_t>(i)], barColors_[static_cast<size_t>(i)]);
    RepaintNow();
    return false;
}

void OEETracker::PlaceMarker(int index, int16_t percent, uint32_t color) {
    // The marker's bottom edge runs from H (0 %) up to TopMargin (100 %); values outside 0..100
    // are drawn where they fall, outside the plot.
    FilledRect& marker = barOee_(index);
    const double height = Height();
    marker.SetTop(static_cast<float>((height - marker.Height()) - (height - topMargin_) * percent / 100.0));
    marker.SetFillColor(color);
}

} // namespace k7
