#include "controls/timetracker/TimeTracker.h"

#include "core/Clock.h"
#include "core/Common.h"
#include "core/Conversions.h"
#include "frame/Colors.h"
#include "frame/Twips.h"
#include "json/JsonBag.h"

#include <algorithm>

namespace k7 {

namespace {

constexpr uint32_t kLineColor = Colors::Rgb(224, 224, 224);
constexpr uint32_t kClockBetweenCycles = Colors::Black;

// The current cycle: the first entry of the reply's data.
Variant CurrentCycle(const JsonBag& reply) {
    return reply.Item(Variant(QStringLiteral("data"))).Item(Variant(int32_t(1)));
}

Variant Field(const Variant& cycle, const char* name) {
    return cycle.Item(Variant(QString::fromLatin1(name)));
}

// Whole seconds from the start of the cycle the service reports to now, as the local clock stands.
int32_t SecondsSince(Date start) {
    return ToLong(static_cast<double>(Dates::DiffSeconds(start, Clock::Now())));
}

// At least two digits, the sign in front: 5 "05", -5 "-05", 100 "100".
QString TwoDigits(int64_t value) {
    const QString digits = Dates::ZeroPadded(value < 0 ? -value : value, 2);
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace

const PropertyTable& TimeTracker::ClassProperties() {
    // Read and written as Company, Session, Process, Initializer, Bars; the host sets APIHost on
    // every run. A new control holds Bars = 0 until it is read or written (see the header).
    static const PropertyTable table = [] {
        PropertyTable properties;
        AddConnectionProperties(properties, {.APIHost = WriteForm::Notifying,
                                             .Others = WriteForm::Notifying,
                                             .APIHostPersistence = Persistence::NotPersisted});
        properties.Add(InitializerProperty, &TimeTracker::initializer_, WriteForm::Notifying, Variant(false))
            .Add(BarsProperty, &TimeTracker::bars_, WriteForm::Notifying, Variant(int32_t(20)));
        return properties;
    }();
    return table;
}

TimeTracker::TimeTracker(QWidget* parent)
    : ServiceControl(parent), timer_(&Create<Timer>(QStringLiteral("Timer"))),
      lblTime_(
          &Create<Label>(QStringLiteral("lblTime"))
               .ApplyDesign({.Bounds = {2700, 120, 2100, 615}, .Font = {}, .Back = BackStyle::Transparent})),
      lblText_(
          &Create<Label>(QStringLiteral("lblText"))
               .ApplyDesign({.Bounds = {120, 120, 1935, 255}, .Font = {}, .Back = BackStyle::Transparent})),
      bgTop_(&Create<FilledRect>(QStringLiteral("bgTop"))
                  .ApplyDesign(
                      {.Bounds = {0, 0, 4695, 855}, .Look = {.FillColor = Colors::Rgb(128, 128, 128)}})),
      barTime_(
          Create<FilledRect>(QStringLiteral("barTime"), 0)
              .ApplyDesign({.Bounds = {0, 1320, 255, 2175}, .Look = {.FillColor = Colors::Rgb(0, 192, 0)}})),
      lineBottom_(&Create<Line>(QStringLiteral("lineBottom"))
                       .ApplyDesign({.X1 = 0, .Y1 = 3480, .X2 = 4680, .Y2 = 3480, .Color = kLineColor})),
      lineTop_(&Create<Line>(QStringLiteral("lineTop"))
                    .ApplyDesign({.X1 = 0, .Y1 = 960, .X2 = 4680, .Y2 = 960, .Color = kLineColor})) {
    SetDesignExtent(4680, 3585);
    timer_->SetInterval(1000);
    lblTime_->SetCaption(QStringLiteral("00:00"));
    lblText_->SetCaption(QStringLiteral("Reload Part Time"));
    lblTime_->SetVisible(false);
    lblText_->SetVisible(false);
    bgTop_->SetVisible(false);
    barTime_(0).SetVisible(false);
    lineBottom_->SetVisible(false);
    lineTop_->SetVisible(false);
    // A tick ends silently: the next one starts afresh from the service's figures.
    ConnectHandler(
        timer_, &Timer::Tick,
        [this] {
            ChartRefresh();
            RepaintNow();
        },
        FailurePolicy::Swallow);
}

void TimeTracker::RefreshSequence(bool pBolOpened) {
    // Only the first opening builds and loads; after that the ticks keep the chart current until
    // the host asks for a fresh start by writing Initializer = False.
    if (initializer_ || pBolOpened)
        return;
    ChartCreation();
    LoadData();
}

void TimeTracker::InitTimer() {
    timer_->SetEnabled(true);
}

void TimeTracker::Reset() {
    timer_->SetEnabled(false);
}

bool TimeTracker::ChartCreation() {
    for (int i = 0; i <= bars_; ++i)
        if (i > barTime_.UBound())
            barTime_.Load(i).SetVisible(true);
    lblTime_->SetVisible(true);
    lblText_->SetVisible(true);
    lineTop_->SetVisible(true);
    lineBottom_->SetVisible(true);
    bgTop_->SetVisible(true);
    Resize();
    return true;
}

void TimeTracker::Resize() {
    const double width = Width();
    const double height = Height();
    const int16_t pitch = bars_ == 0 ? int16_t(0) : ToInteger(width / bars_);

    bgTop_->SetWidth(static_cast<float>(width));
    bgTop_->SetHeight(static_cast<float>(0.25 * height));
    const double bandWidth = bgTop_->Width();
    const double bandHeight = bgTop_->Height();

    lblText_->Move(static_cast<float>(0.05 * bandWidth), static_cast<float>(0.1 * bandHeight),
                   static_cast<float>(0.55 * bandWidth), static_cast<float>(0.8 * bandHeight));
    // The caption fills about 65 % of its label; sizes that small read better in the small face.
    const double measured = MeasureCaption(lblText_->Caption(), *lblText_);
    lblText_->SetFontSize(static_cast<float>(lblText_->Width() / measured * lblText_->FontSize() * 0.65));
    lblText_->UseSmallFaceAtOrBelow(5);

    lblTime_->SetForeColor(ClockWithinTarget);
    lblTime_->Move(static_cast<float>(0.65 * bandWidth), static_cast<float>(0.1 * bandHeight),
                   static_cast<float>(0.35 * bandWidth), static_cast<float>(0.8 * bandHeight));
    lblTime_->SetFontSize(static_cast<float>(Twips::ToPoints(lblTime_->Height()) * 0.8));

    lineTop_->SetPoints(0, static_cast<float>(0.3 * height), static_cast<float>(width),
                        static_cast<float>(0.3 * height));
    lineBottom_->SetPoints(0, static_cast<float>(BaseLine()), static_cast<float>(width),
                           static_cast<float>(BaseLine()));
    // A bar of the target's length reaches from the base line up to the target line.
    barMaxHeight_ = ToLong(0.65 * height);

    for (int i = 0; i <= bars_; ++i) {
        FilledRect& bar = barTime_(i);
        bar.SetWidth(static_cast<float>(0.9 * pitch));
        bar.SetLeft(static_cast<float>(double(pitch) * i));
        bar.SetHeight(0);
        RestOnBaseLine(bar);
        bar.SetVisible(true);
    }
}

void TimeTracker::RestOnBaseLine(FilledRect& bar) const {
    bar.SetTop(static_cast<float>(BaseLine() - bar.Height()));
}

float TimeTracker::MeasureCaption(const QString& text, const Label& label) {
    FontStyle font = ControlFont();
    font.Name = label.FontName();
    font.Size = label.FontSize();
    SetControlFont(font);
    // The caption is measured byte by byte of its 16-bit form: the zero high bytes of plain
    // characters drop out, wider characters count as their two bytes; a line break measures as
    // a space.
    QString bytes;
    for (const QChar unit : text)
        for (const int byte : {unit.unicode() & 0xFF, unit.unicode() >> 8}) {
            if (byte == 0)
                continue;
            bytes += byte == '\r' ? QChar(' ') : QChar(byte);
        }
    return TextWidth(bytes);
}

TimeTracker::ServiceCall TimeTracker::CycleTimeCall() const {
    return {HttpVerb::Get, QStringLiteral("processes/cycleTime"), ConnectionQuery()};
}

void TimeTracker::LoadData() {
    RunServiceLoader(
        CycleTimeCall(), Judgement::StatusIsZero,
        [this](JsonBag& reply) {
            const Variant cycle = CurrentCycle(reply);
            cycleTarget_ = Field(cycle, "CycleT").ToLong();
            cycleCount_ = Field(cycle, "Val").ToLong();
            // A cycle that starts in the future by the local clock has not run yet.
            cycleElapsed_ = std::max(0, SecondsSince(Common::ToDate(Field(cycle, "DateTime").ToText())));
            lblTime_->SetCaption(FormatClock(cycleElapsed_));
            InitTimer();
            initializer_ = true;
        },
        [this](JsonBag&) {
            lblText_->SetCaption(QStringLiteral("No data"));
            initializer_ = true;
        });
}

void TimeTracker::ChartRefresh() {
    RunServiceLoader(
        CycleTimeCall(), Judgement::StatusIsZero,
        [this](JsonBag& reply) {
            const Variant cycle = CurrentCycle(reply);
            cycleStart_ = Common::ToDate(Field(cycle, "DateTime").ToText());
            cycleElapsed_ = SecondsSince(cycleStart_);
            const Variant counter = Field(cycle, "Val");
            if (!counter.EqualsNumber(cycleCount_)) {
                cycleCount_ = counter.ToLong();
                AddNewBar();
            }
            GrowCurrentBar();
            lblTime_->SetForeColor(cycleElapsed_ <= cycleTarget_ ? ClockWithinTarget : OverTarget);
            lblTime_->SetCaption(FormatClock(cycleElapsed_));
        },
        [](JsonBag&) {}, {}, FailurePolicy::Swallow);
}

void TimeTracker::AddNewBar() {
    for (int i = 0; i <= bars_ - 2; ++i) {
        FilledRect& bar = barTime_(i);
        const FilledRect& next = barTime_(i + 1);
        bar.SetHeight(next.Height());
        bar.SetFillColor(next.FillColor());
        RestOnBaseLine(bar);
    }
    lblTime_->SetForeColor(kClockBetweenCycles);
    lblTime_->SetCaption(FormatClock(cycleTarget_));
}

void TimeTracker::GrowCurrentBar() {
    if (bars_ < 1)
        return; // no bar to grow (see the header)
    FilledRect& bar = barTime_(bars_ - 1);
    if (cycleElapsed_ <= cycleTarget_) {
        // 0 / 0 (no target, no time) has no height and fails, as does a cycle not yet begun.
        bar.SetHeight(static_cast<float>(double(cycleElapsed_) / cycleTarget_ * barMaxHeight_));
        bar.SetFillColor(WithinTarget);
    } else {
        bar.SetHeight(static_cast<float>(barMaxHeight_));
        bar.SetFillColor(OverTarget);
    }
    RestOnBaseLine(bar);
}

QString TimeTracker::FormatClock(int32_t seconds) {
    // Minutes round down (-5 s is minute -1), while the remainder keeps the sign of the count.
    const int32_t remainder = seconds % 60;
    const int32_t minutes = seconds / 60 - (remainder < 0 ? 1 : 0);
    return TwoDigits(minutes) + QLatin1Char(':') + TwoDigits(remainder);
}

} // namespace k7
