#include "controls/timetracker/TimeTracker.h"

#include "core/Clock_p.h"
#include "core/Common_p.h"
#include "core/Conversions_p.h"
#include "core/Date.h"
#include "frame/children/FilledRect_p.h"
#include "frame/children/Label.h"
#include "frame/children/Line_p.h"
#include "frame/children/Timer_p.h"
#include "frame/children/WidgetArray_p.h"
#include "frame/drawing/Colors.h"
#include "frame/drawing/Twips.h"
#include "frame/properties/PropertyDeclarations_p.h"
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

// Its own properties, one line each (frame/properties/PropertyDeclarations_p.h).
#define TIMETRACKER_PROPERTIES(HELD, FONT)                                                                   \
    HELD(bool, Initializer, bool, false, Notifying, ReadWrite, Persisted)                                    \
    HELD(int, Bars, int32_t, 20, Notifying, ReadWrite, Persisted)

namespace {
K7_PROPERTY_KEYS(TIMETRACKER_PROPERTIES)
} // namespace

struct K7_NO_EXPORT TimeTracker::Private {
    TimeTracker& q;
    Timer* timer = nullptr;
    Label* lblTime = nullptr;
    Label* lblText = nullptr;
    FilledRect* bgTop = nullptr;
    WidgetArray<FilledRect> barTime;
    Line* lineBottom = nullptr;
    Line* lineTop = nullptr;

    K7_HELD_VALUES(TIMETRACKER_PROPERTIES)
    int32_t cycleTarget = 0;
    int32_t cycleCount = 0;
    int32_t cycleElapsed = 0;
    Date cycleStart{};
    int32_t barMaxHeight = 0;

    ServiceCall CycleTimeCall() const;
    // The first load: target, counter and clock from the reply, then the ticks start.
    void LoadData();
    // One tick's reload; any failure ends the tick silently.
    void ChartRefresh();
    void AddNewBar();
    void GrowCurrentBar();
    // Width of `text` in `label`'s face and size, measured as the caption fitting has always
    // measured it (see the .cpp); leaves that font on the control.
    float MeasureCaption(const QString& text, const Label& label);
    void RestOnBaseLine(FilledRect& bar) const;
    // The base line, where every bar's bottom edge rests.
    double BaseLine() const { return 0.95 * q.Height(); }
};

const PropertyTable& TimeTracker::ClassProperties() {
    // Read and written as Company, Session, Process, Initializer, Bars; the host sets APIHost on
    // every run. A new control holds Bars = 0 until it is read or written (see the header).
    static const PropertyTable table = [] {
        PropertyTable properties;
        AddConnectionProperties(properties, {.APIHost = WriteForm::Notifying,
                                             .Others = WriteForm::Notifying,
                                             .APIHostPersistence = Persistence::NotPersisted});
        K7_ADD_PROPERTY_ROWS(TimeTracker, TIMETRACKER_PROPERTIES, properties);
        return properties;
    }();
    return table;
}

TimeTracker::TimeTracker(QWidget* parent)
    : ServiceControl(parent),
      d(new Private{
          .q = *this,
          .timer = &Create<Timer>(QStringLiteral("Timer")),
          .lblTime = &Create<Label>(QStringLiteral("lblTime"))
                          .ApplyDesign(
                              {.Bounds = {2700, 120, 2100, 615}, .Font = {}, .Back = BackStyle::Transparent}),
          .lblText = &Create<Label>(QStringLiteral("lblText"))
                          .ApplyDesign(
                              {.Bounds = {120, 120, 1935, 255}, .Font = {}, .Back = BackStyle::Transparent}),
          .bgTop = &Create<FilledRect>(QStringLiteral("bgTop"))
                        .ApplyDesign(
                            {.Bounds = {0, 0, 4695, 855}, .Look = {.FillColor = Colors::Rgb(128, 128, 128)}}),
          .barTime =
              WidgetArray<FilledRect>(Create<FilledRect>(QStringLiteral("barTime"), 0)
                                          .ApplyDesign({.Bounds = {0, 1320, 255, 2175},
                                                        .Look = {.FillColor = Colors::Rgb(0, 192, 0)}})),
          .lineBottom = &Create<Line>(QStringLiteral("lineBottom"))
                             .ApplyDesign({.X1 = 0, .Y1 = 3480, .X2 = 4680, .Y2 = 3480, .Color = kLineColor}),
          .lineTop = &Create<Line>(QStringLiteral("lineTop"))
                          .ApplyDesign({.X1 = 0, .Y1 = 960, .X2 = 4680, .Y2 = 960, .Color = kLineColor})}) {
    SetDesignExtent(4680, 3585);
    d->timer->SetInterval(1000);
    d->lblTime->SetCaption(QStringLiteral("00:00"));
    d->lblText->SetCaption(QStringLiteral("Reload Part Time"));
    d->lblTime->SetVisible(false);
    d->lblText->SetVisible(false);
    d->bgTop->SetVisible(false);
    d->barTime(0).SetVisible(false);
    d->lineBottom->SetVisible(false);
    d->lineTop->SetVisible(false);
    // A tick ends silently: the next one starts afresh from the service's figures.
    ConnectHandler(
        d->timer, &Timer::Tick,
        [this] {
            d->ChartRefresh();
            RepaintNow();
        },
        FailurePolicy::Swallow);
}

TimeTracker::~TimeTracker() = default;

K7_PROPERTY_ACCESSORS(TimeTracker, TIMETRACKER_PROPERTIES)

Timer& TimeTracker::timer() const {
    return *d->timer;
}

Label& TimeTracker::lblTime() const {
    return *d->lblTime;
}

Label& TimeTracker::lblText() const {
    return *d->lblText;
}

FilledRect& TimeTracker::bgTop() const {
    return *d->bgTop;
}

WidgetArray<FilledRect>& TimeTracker::barTime() {
    return d->barTime;
}

Line& TimeTracker::lineBottom() const {
    return *d->lineBottom;
}

Line& TimeTracker::lineTop() const {
    return *d->lineTop;
}

int32_t TimeTracker::CycleTarget() const {
    return d->cycleTarget;
}

int32_t TimeTracker::CycleCount() const {
    return d->cycleCount;
}

int32_t TimeTracker::CycleElapsed() const {
    return d->cycleElapsed;
}

int32_t TimeTracker::BarMaxHeight() const {
    return d->barMaxHeight;
}

void TimeTracker::RefreshSequence(bool pBolOpened) {
    // Only the first opening builds and loads; after that the ticks keep the chart current until
    // the host asks for a fresh start by writing Initializer = False.
    if (d->Initializer || pBolOpened)
        return;
    ChartCreation();
    d->LoadData();
}

void TimeTracker::InitTimer() {
    d->timer->SetEnabled(true);
}

void TimeTracker::Reset() {
    d->timer->SetEnabled(false);
}

bool TimeTracker::ChartCreation() {
    for (int i = 0; i <= d->Bars; ++i)
        if (i > d->barTime.UBound())
            d->barTime.Load(i).SetVisible(true);
    d->lblTime->SetVisible(true);
    d->lblText->SetVisible(true);
    d->lineTop->SetVisible(true);
    d->lineBottom->SetVisible(true);
    d->bgTop->SetVisible(true);
    Resize();
    return true;
}

void TimeTracker::Resize() {
    const double width = Width();
    const double height = Height();
    const int16_t pitch = d->Bars == 0 ? int16_t(0) : ToInteger(width / d->Bars);

    d->bgTop->SetWidth(static_cast<float>(width));
    d->bgTop->SetHeight(static_cast<float>(0.25 * height));
    const double bandWidth = d->bgTop->Width();
    const double bandHeight = d->bgTop->Height();

    d->lblText->Move(static_cast<float>(0.05 * bandWidth), static_cast<float>(0.1 * bandHeight),
                     static_cast<float>(0.55 * bandWidth), static_cast<float>(0.8 * bandHeight));
    // The caption fills about 65 % of its label; sizes that small read better in the small face.
    const double measured = d->MeasureCaption(d->lblText->Caption(), *d->lblText);
    d->lblText->SetFontSize(
        static_cast<float>(d->lblText->Width() / measured * d->lblText->FontSize() * 0.65));
    d->lblText->UseSmallFaceAtOrBelow(5);

    d->lblTime->SetForeColor(ClockWithinTarget);
    d->lblTime->Move(static_cast<float>(0.65 * bandWidth), static_cast<float>(0.1 * bandHeight),
                     static_cast<float>(0.35 * bandWidth), static_cast<float>(0.8 * bandHeight));
    d->lblTime->SetFontSize(static_cast<float>(Twips::ToPoints(d->lblTime->Height()) * 0.8));

    d->lineTop->SetPoints(0, static_cast<float>(0.3 * height), static_cast<float>(width),
                          static_cast<float>(0.3 * height));
    d->lineBottom->SetPoints(0, static_cast<float>(d->BaseLine()), static_cast<float>(width),
                             static_cast<float>(d->BaseLine()));
    // A bar of the target's length reaches from the base line up to the target line.
    d->barMaxHeight = ToLong(0.65 * height);

    for (int i = 0; i <= d->Bars; ++i) {
        FilledRect& bar = d->barTime(i);
        bar.SetWidth(static_cast<float>(0.9 * pitch));
        bar.SetLeft(static_cast<float>(double(pitch) * i));
        bar.SetHeight(0);
        d->RestOnBaseLine(bar);
        bar.SetVisible(true);
    }
}

void TimeTracker::Private::RestOnBaseLine(FilledRect& bar) const {
    bar.SetTop(static_cast<float>(BaseLine() - bar.Height()));
}

float TimeTracker::Private::MeasureCaption(const QString& text, const Label& label) {
    FontStyle font = q.ControlFont();
    font.Name = label.FontName();
    font.Size = label.FontSize();
    q.SetControlFont(font);
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
    return q.TextWidth(bytes);
}

TimeTracker::ServiceCall TimeTracker::Private::CycleTimeCall() const {
    return {HttpVerb::Get, QStringLiteral("processes/cycleTime"), q.ConnectionQuery()};
}

void TimeTracker::Private::LoadData() {
    q.RunServiceLoader(
        CycleTimeCall(), Judgement::StatusIsZero,
        [this](JsonBag& reply) {
            const Variant cycle = CurrentCycle(reply);
            cycleTarget = Field(cycle, "CycleT").ToLong();
            cycleCount = Field(cycle, "Val").ToLong();
            // A cycle that starts in the future by the local clock has not run yet.
            cycleElapsed = std::max(0, SecondsSince(Common::ToDate(Field(cycle, "DateTime").ToText())));
            lblTime->SetCaption(q.FormatClock(cycleElapsed));
            q.InitTimer();
            Initializer = true;
        },
        [this](JsonBag&) {
            lblText->SetCaption(QStringLiteral("No data"));
            Initializer = true;
        });
}

void TimeTracker::Private::ChartRefresh() {
    q.RunServiceLoader(
        CycleTimeCall(), Judgement::StatusIsZero,
        [this](JsonBag& reply) {
            const Variant cycle = CurrentCycle(reply);
            cycleStart = Common::ToDate(Field(cycle, "DateTime").ToText());
            cycleElapsed = SecondsSince(cycleStart);
            const Variant counter = Field(cycle, "Val");
            if (!counter.EqualsNumber(cycleCount)) {
                cycleCount = counter.ToLong();
                AddNewBar();
            }
            GrowCurrentBar();
            lblTime->SetForeColor(cycleElapsed <= cycleTarget ? ClockWithinTarget : OverTarget);
            lblTime->SetCaption(q.FormatClock(cycleElapsed));
        },
        [](JsonBag&) {}, {}, FailurePolicy::Swallow);
}

void TimeTracker::Private::AddNewBar() {
    for (int i = 0; i <= Bars - 2; ++i) {
        FilledRect& bar = barTime(i);
        const FilledRect& next = barTime(i + 1);
        bar.SetHeight(next.Height());
        bar.SetFillColor(next.FillColor());
        RestOnBaseLine(bar);
    }
    lblTime->SetForeColor(kClockBetweenCycles);
    lblTime->SetCaption(q.FormatClock(cycleTarget));
}

void TimeTracker::Private::GrowCurrentBar() {
    if (Bars < 1)
        return; // no bar to grow (see the header)
    FilledRect& bar = barTime(Bars - 1);
    if (cycleElapsed <= cycleTarget) {
        // 0 / 0 (no target, no time) has no height and fails, as does a cycle not yet begun.
        bar.SetHeight(static_cast<float>(double(cycleElapsed) / cycleTarget * barMaxHeight));
        bar.SetFillColor(WithinTarget);
    } else {
        bar.SetHeight(static_cast<float>(barMaxHeight));
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

const ComponentIdentity& TimeTracker::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("TimeTracker"),
        QStringLiteral("{A5F747C9-2DE1-4CB0-914D-A802EB7E92CB}"),
        QStringLiteral("_TimeTracker"),
        QStringLiteral("{C436CBA2-4645-4007-AE79-6F07C4112D5F}"),
        QStringLiteral("__TimeTracker"),
        QStringLiteral("{EABA3D54-0335-4B97-8B3A-1B5C761DD524}"),
        QStringLiteral("RemoteControl()"),
        {
            {InitializerProperty, 0x68030016},
            {APIHostProperty, 0x68030015},
            {CompanyProperty, 0x68030014},
            {SessionProperty, 0x68030013},
            {ProcessProperty, 0x68030012},
            {BarsProperty, 0x68030011},
            {ErrorProperty, 0x68030010},
            {"InitTimer", 0x60030017},
            {"Refresh", 0x6003001B},
            {"Reset", 0x6003001C},
            {"ChartCreation", 0x6003001D},
            {"Resize", 0x6003001F},
        },
    };
    return identity;
}

} // namespace k7
