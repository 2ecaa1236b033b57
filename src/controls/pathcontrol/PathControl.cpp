#include "controls/pathcontrol/PathControl.h"

#include "controls/pathcontrol/CanvasInterpreter.h"
#include "core/Clock.h"
#include "core/Common.h"
#include "core/Conversions.h"
#include "core/RuntimeError.h"
#include "frame/Colors.h"
#include "frame/Envelope.h"
#include "frame/PolledRequest.h"
#include "frame/RasterSurface.h"
#include "frame/Timer.h"
#include "frame/Twips.h"
#include "service/HttpErrors.h"
#include "service/HttpRequestObject.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace k7 {

namespace {

const QString kUpdating = QStringLiteral("Updating...");

QString DrawnText(const QString& text) {
    return CanvasInterpreter::MessageStatement(text) + QLatin1Char(';');
}

// Device context handles are issued once per control, like the platform's handles: never 0, never
// the same twice in a process.
int32_t NextDeviceContext() {
    static std::atomic<int32_t> next{0x01010001};
    return next.fetch_add(4);
}

// The text goes out through the 8-bit ANSI code page (Windows-1252): what it cannot hold
// becomes "?".
QString ToAnsi(const QString& text) {
    static const QString extras = QStringLiteral(u"€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
    QString ansi = text;
    for (QChar& c : ansi) {
        const char16_t code = c.unicode();
        const bool latin1 = code < 0x80 || (code >= 0xA0 && code <= 0xFF);
        if (!latin1 && !extras.contains(c))
            c = QLatin1Char('?');
    }
    return ansi;
}

// Seconds since midnight as a single, as the runtime's timer reads: changes with every request,
// so no cache can answer one.
QString SecondsSinceMidnight(Date now) {
    return NumberToText(ToSingle(Dates::SecondsSinceMidnight(now)));
}

} // namespace

struct PathControl::Private {
    QString url;
    QString ip;
    int32_t port = 0;
    QString company;
    QString session;
    QString area;
    QString process;
    QString startDate;
    QString endDate;
    QString user;
    QString device;
    uint8_t planned = 0;
    uint8_t ratiosType = 0;
    uint8_t ratiosTypeTarget = 0;
    bool hoursExtraAdd = false;
    Date lastRefresh;

    QString pendingProcess;
    Date requestTime;
    std::unique_ptr<PolledRequest> request;
    int32_t hDC = 0;

    RasterSurface* picPath = nullptr;
    Timer* tmrPath = nullptr;
    std::unique_ptr<CanvasInterpreter> interpreter;
};

const PropertyTable& PathControl::ClassProperties() {
    // Persisted in this order; every write asks the host first.
    static const PropertyTable table = [] {
        constexpr WriteForm notifying = WriteForm::Notifying;
        const auto held = []<class M>(PropertyKey key, M Private::*member, const Variant& defaultValue) {
            return PropertyTable::Row<PathControl>(
                key, [member](auto& control) -> auto& { return control.d.get()->*member; }, notifying,
                defaultValue);
        };
        PropertyTable properties;
        properties.Add(held(URLProperty, &Private::url, Variant(QString())))
            .Add(held(IPProperty, &Private::ip, Variant(QStringLiteral("127.0.0.1"))))
            .Add(held(PortProperty, &Private::port, Variant(int16_t(10000))))
            .Add(held(CompanyProperty, &Private::company, Variant(QString())))
            .Add(held(SessionProperty, &Private::session, Variant(QString())))
            .Add(held(AreaProperty, &Private::area, Variant(QString())))
            .Add(held(ProcessProperty, &Private::process, Variant(QString())))
            .Add(held(StartDateProperty, &Private::startDate, Variant(QString())))
            .Add(held(EndDateProperty, &Private::endDate, Variant(QString())))
            .Add(held(UserProperty, &Private::user, Variant(QString())))
            .Add(held(DeviceProperty, &Private::device, Variant(QString())))
            .Add(held(PlannedProperty, &Private::planned, Variant(uint8_t(0))))
            .Add(held(RatiosTypeProperty, &Private::ratiosType, Variant(uint8_t(0))))
            .Add(held(RatiosTypeTargetProperty, &Private::ratiosTypeTarget, Variant(uint8_t(0))))
            .Add(held(HoursExtraAddProperty, &Private::hoursExtraAdd, Variant(true)));
        // A date has no property type of its own: it travels as its serial, read-only, not persisted.
        PropertyDefinition lastRefresh;
        lastRefresh.Name = LastRefreshProperty.Text();
        lastRefresh.Persisted = false;
        lastRefresh.Type = PropertyType::Double;
        lastRefresh.Access = PropertyAccess::ReadOnly; // as its key says
        lastRefresh.Get = [](const ControlBase& control) {
            return Variant(static_cast<const PathControl&>(control).d->lastRefresh.Serial);
        };
        lastRefresh.Set = [](ControlBase&, const Variant&) { Raise(ErrorNumber::PropertyIsReadOnly); };
        properties.Add(std::move(lastRefresh));
        return properties;
    }();
    return table;
}

PathControl::PathControl(QWidget* parent) : ControlBase(parent), d(std::make_unique<Private>()) {
    d->hDC = NextDeviceContext();
    SetDesignExtent(4800, 3600);
    SetBackColor(Colors::Rgb(255, 255, 255));
    // Every failure is drawn on the picture; none reaches Error.
    SetHandlerFailures(FailurePolicy::Swallow);
    d->picPath = &Create<RasterSurface>(QStringLiteral("picPath"));
    d->tmrPath = &Create<Timer>(QStringLiteral("tmrPath"));
    d->tmrPath->SetInterval(PollInterval);
    ConnectHandler(d->tmrPath, &Timer::Tick, [this] { Processing(); });
    d->request = std::make_unique<PolledRequest>(
        *d->tmrPath, TimeOutSeconds,
        PolledRequest::Handlers{.Replied =
                                    [this](int32_t status, const std::function<QString()>& text) {
                                        ShowScript(ReplyScript(status, text));
                                    },
                                .TimedOut =
                                    [this] {
                                        ShowScript(DrawnText(QStringLiteral("Time out (") +
                                                             QString::number(TimeOutSeconds) +
                                                             QStringLiteral(" secs.)")));
                                    },
                                .NotSent = [this](const QString& failure) { DrawFailure(failure, true); },
                                .Failed = [this](const QString& failure) { DrawFailure(failure, false); }});
    d->interpreter =
        std::make_unique<CanvasInterpreter>(*d->picPath, [this](const QString& text, int32_t x, int32_t y) {
            TextRotate(d->hDC, text, x, y, -90.0f);
        });
}

PathControl::~PathControl() = default;

const QString& PathControl::URL() const {
    return d->url;
}

const QString& PathControl::IP() const {
    return d->ip;
}

int32_t PathControl::Port() const {
    return d->port;
}

const QString& PathControl::Company() const {
    return d->company;
}

const QString& PathControl::Session() const {
    return d->session;
}

const QString& PathControl::Area() const {
    return d->area;
}

const QString& PathControl::Process() const {
    return d->process;
}

const QString& PathControl::StartDate() const {
    return d->startDate;
}

const QString& PathControl::EndDate() const {
    return d->endDate;
}

const QString& PathControl::User() const {
    return d->user;
}

const QString& PathControl::Device() const {
    return d->device;
}

bool PathControl::HoursExtraAdd() const {
    return d->hoursExtraAdd;
}

uint8_t PathControl::Planned() const {
    return d->planned;
}

uint8_t PathControl::RatiosType() const {
    return d->ratiosType;
}

uint8_t PathControl::RatiosTypeTarget() const {
    return d->ratiosTypeTarget;
}

Date PathControl::LastRefresh() const {
    return d->lastRefresh;
}

double PathControl::LastRefreshSerial() const {
    return d->lastRefresh.Serial;
}

int32_t PathControl::hDC() const {
    return d->hDC;
}

RasterSurface& PathControl::picPath() const {
    return *d->picPath;
}

Timer& PathControl::tmrPath() const {
    return *d->tmrPath;
}

const CanvasInterpreter& PathControl::Interpreter() const {
    return *d->interpreter;
}

void PathControl::SetRequestObject(std::unique_ptr<HttpRequestObject> request) {
    d->request->SetRequestObject(std::move(request));
}

void PathControl::RefreshSequence(bool) {
    RequestPath();
}

// --- requests ----------------------------------------------------------------------------------

void PathControl::RequestPath() {
    // A second Refresh for the same process while its request runs sends nothing, unless that
    // request has had its 60 seconds.
    const bool send = d->pendingProcess.isEmpty() || d->pendingProcess != d->process ||
                      Dates::DiffSeconds(d->requestTime, Clock::Now()) >= TimeOutSeconds;

    // The period is adjusted on every call, sent or not, and written back: a host that wants a
    // fixed period sets it again before each Refresh. `hours` is taken before any adjustment.
    int16_t hours = 0;
    int16_t step = 0;
    Common::TimeToAddDashboardOversize(d->startDate, d->endDate, hours, step);
    if (d->hoursExtraAdd)
        d->endDate = Common::FormatYYYYMMDDhhmmss(Dates::AddHours(Common::ToDate(d->endDate), step));
    d->endDate = d->endDate.left(10) + QStringLiteral("0000");
    d->startDate = d->startDate.left(10) + QStringLiteral("0000");
    if (step != 0 && hours % step != 0) {
        const int16_t missing = static_cast<int16_t>(step - hours % step);
        d->endDate = Common::FormatYYYYMMDDhhmmss(Dates::AddHours(Common::ToDate(d->endDate), missing));
    }
    if (!send)
        return;

    d->pendingProcess = d->process;
    d->requestTime = Clock::Now();
    ShowPlaceholder();
    d->request->Send(d->url + QLatin1Char('?') + Query());
}

// "Updating..." centred over the current picture, in a font of a 24th of the height (10 to 24
// pixels); the reply is drawn in that font too.
void PathControl::ShowPlaceholder() {
    const int pixels = std::clamp(height() / 24, 10, 24);
    FontStyle font = d->picPath->Font();
    font.Size = static_cast<float>(Twips::ToPoints(PixelsToTwips(pixels)));
    d->picPath->SetFont(font);
    d->picPath->MoveTo((width() - d->picPath->TextWidth(kUpdating)) / 2,
                       (height() - d->picPath->TextHeight(kUpdating)) / 2);
    d->picPath->SetForeColor(0x00000000);
    d->picPath->Print(kUpdating);
}

// Values go in as they stand, unescaped; Session is not sent.
QString PathControl::Query() const {
    const auto number = [](int64_t value) { return QString::number(value); };
    return Envelope::BuildQuery(
        {{QStringLiteral("server_ip"), d->ip},
         {QStringLiteral("db_port"), number(d->port)},
         {QStringLiteral("company_id"), d->company},
         {QStringLiteral("user_id"), d->user},
         {QStringLiteral("tree"), d->area + QLatin1Char('{') + d->process + QLatin1Char('}')},
         {QStringLiteral("process"), d->process},
         {QStringLiteral("period_from"), d->startDate},
         {QStringLiteral("period_to"), d->endDate},
         {QStringLiteral("path_id"), QStringLiteral("0")},
         {QStringLiteral("constype_id"), QString()},
         {QStringLiteral("period_id"), QStringLiteral("0")},
         {QStringLiteral("width"), number(width())},
         {QStringLiteral("height"), number(height())},
         {QStringLiteral("ign_hist"), QStringLiteral("1")},
         {QStringLiteral("device_id"), d->device},
         {QStringLiteral("terminal"), QStringLiteral("1")},
         {QStringLiteral("planned"), number(d->planned)},
         {QStringLiteral("ratiostype"), number(d->ratiosType)},
         {QStringLiteral("ratiostypetarget"), number(d->ratiosTypeTarget)},
         {QStringLiteral("seq"), SecondsSinceMidnight(Clock::Now())}});
}

void PathControl::Processing() {
    // Nothing is waited for (a Reset, or the picture is drawn already): the polling stops.
    if (d->pendingProcess.isEmpty()) {
        d->request->Stop();
        return;
    }
    d->request->Poll();
}

// The picture of a request that is over: drawn on a clean surface, and nothing is waited for any
// more.
void PathControl::ShowScript(const QString& script) {
    d->picPath->Clear();
    Paint(script);
    d->lastRefresh = Clock::Now();
    d->pendingProcess.clear();
}

QString PathControl::ReplyScript(int32_t status, const std::function<QString()>& replyText) const {
    const auto text = [status](const char* meaning) {
        return DrawnText(QString::number(status) + QStringLiteral(": ") + QLatin1String(meaning));
    };
    switch (status) {
    case 200:
        return replyText();
    case 206:
        return text("Partial Content");
    case 301:
        return text("Moved Permanently");
    case 302:
        return text("Found");
    case 304:
        return text("Not Modified");
    case 404:
        return text("Not Found");
    case 500:
        return text("Server Error");
    case kHttpTimeoutStatus:
        return text("Time out");
    default:
        return text("Error");
    }
}

void PathControl::DrawFailure(const QString& failureText, bool closingSemicolon) {
    d->picPath->Clear();
    d->pendingProcess.clear();
    QString statement = DrawnText(QString(failureText).remove(QStringLiteral("\r\n")));
    if (!closingSemicolon)
        statement.chop(1);
    Paint(statement);
}

void PathControl::Reset() {
    d->request->Stop();
    d->lastRefresh = Date();
    d->pendingProcess.clear();
}

// --- drawing -----------------------------------------------------------------------------------

void PathControl::Paint(const QString& pStrResponse) {
    // The trap's path draws the failure and stops there, without the repaint.
    if (d->interpreter->Run(pStrResponse))
        RepaintNow();
}

bool PathControl::TextRotate(int hDC, const QString& Output, int x, int y, float Rotation) {
    if (hDC == 0 || hDC != d->hDC)
        return false;
    // A failure is the result, as the platform's text functions report one.
    return !Trap([&] {
                // The turn is kept in whole tenths of a degree.
                const int32_t escapement = ToLong(static_cast<double>(Rotation * 10.0f));
                d->picPath->DrawRotatedText(ToAnsi(Output), x, y, escapement / 10.0);
            }).has_value();
}

} // namespace k7
