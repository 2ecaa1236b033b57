#include "controls/pathcontrol/PathControl.h"

#include "controls/pathcontrol/CanvasInterpreter_p.h"
#include "controls/pathcontrol/PolledRequest_p.h"
#include "controls/pathcontrol/RasterSurface_p.h"
#include "core/Clock_p.h"
#include "core/Common_p.h"
#include "core/Conversions_p.h"
#include "core/RuntimeError.h"
#include "frame/children/Timer_p.h"
#include "frame/drawing/Colors.h"
#include "frame/drawing/Twips.h"
#include "frame/properties/PropertyDeclarations_p.h"
#include "frame/requests/Envelope.h"
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

// Its own properties, one line each (frame/properties/PropertyDeclarations_p.h): all notifying, in the order they are
// persisted. A new control holds them empty, zero or false; the defaults are what a restore takes.
#define PATHCONTROL_PROPERTIES(HELD, FONT)                                                                   \
    HELD(QString, URL, QString, "", Notifying, ReadWrite, Persisted)                                         \
    HELD(QString, IP, QString, "127.0.0.1", Notifying, ReadWrite, Persisted)                                 \
    HELD(int, Port, int32_t, 10000, Notifying, ReadWrite, Persisted)                                         \
    HELD(QString, Company, QString, "", Notifying, ReadWrite, Persisted)                                     \
    HELD(QString, Session, QString, "", Notifying, ReadWrite, Persisted)                                     \
    HELD(QString, Area, QString, "", Notifying, ReadWrite, Persisted)                                        \
    HELD(QString, Process, QString, "", Notifying, ReadWrite, Persisted)                                     \
    HELD(QString, StartDate, QString, "", Notifying, ReadWrite, Persisted)                                   \
    HELD(QString, EndDate, QString, "", Notifying, ReadWrite, Persisted)                                     \
    HELD(QString, User, QString, "", Notifying, ReadWrite, Persisted)                                        \
    HELD(QString, Device, QString, "", Notifying, ReadWrite, Persisted)                                      \
    HELD(int, Planned, uint8_t, 0, Notifying, ReadWrite, Persisted)                                          \
    HELD(int, RatiosType, uint8_t, 0, Notifying, ReadWrite, Persisted)                                       \
    HELD(int, RatiosTypeTarget, uint8_t, 0, Notifying, ReadWrite, Persisted)                                 \
    HELD(bool, HoursExtraAdd, bool, true, Notifying, ReadWrite, Persisted)

namespace {
K7_PROPERTY_KEYS(PATHCONTROL_PROPERTIES)
constexpr PropertyKey LastRefreshProperty{"LastRefresh", true};
} // namespace

struct K7_NO_EXPORT PathControl::Private {
    explicit Private(PathControl& control) : q(control) {}

    PathControl& q;
    K7_HELD_VALUES(PATHCONTROL_PROPERTIES)
    Date lastRefresh;

    QString pendingProcess;
    Date requestTime;
    std::unique_ptr<PolledRequest> request;
    int32_t hDC = 0;

    RasterSurface* picPath = nullptr;
    Timer* tmrPath = nullptr;
    std::unique_ptr<CanvasInterpreter> interpreter;

    void RequestPath();
    void ShowPlaceholder();
    QString Query() const;
    QString ReplyScript(int32_t status, const std::function<QString()>& replyText) const;
    // Draws the picture of a request that is over.
    void ShowScript(const QString& script);
    // After a failure (the frame has stopped polling): clear, forget the request, draw the failure
    // text.
    void DrawFailure(const QString& failureText, bool closingSemicolon);
};

const PropertyTable& PathControl::ClassProperties() {
    static const PropertyTable table = [] {
        PropertyTable properties;
        K7_ADD_PROPERTY_ROWS(PathControl, PATHCONTROL_PROPERTIES, properties);
        // A date has no property type of its own: it travels as its serial, read-only, not persisted.
        PropertyDefinition lastRefresh;
        lastRefresh.Name = LastRefreshProperty.Text();
        lastRefresh.Persisted = false;
        lastRefresh.Type = PropertyType::Double;
        lastRefresh.Shown = QMetaType::fromType<double>();
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

PathControl::PathControl(QWidget* parent) : ControlBase(parent), d(std::make_unique<Private>(*this)) {
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
        PolledRequest::Handlers{
            .Replied =
                [this](int32_t status, const std::function<QString()>& text) {
                    d->ShowScript(d->ReplyScript(status, text));
                },
            .TimedOut =
                [this] {
                    d->ShowScript(DrawnText(QStringLiteral("Time out (") + QString::number(TimeOutSeconds) +
                                            QStringLiteral(" secs.)")));
                },
            .NotSent = [this](const QString& failure) { d->DrawFailure(failure, true); },
            .Failed = [this](const QString& failure) { d->DrawFailure(failure, false); }});
    d->interpreter =
        std::make_unique<CanvasInterpreter>(*d->picPath, [this](const QString& text, int32_t x, int32_t y) {
            TextRotate(d->hDC, text, x, y, -90.0f);
        });
}

PathControl::~PathControl() = default;

K7_PROPERTY_ACCESSORS(PathControl, PATHCONTROL_PROPERTIES)

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
    d->RequestPath();
}

// --- requests ----------------------------------------------------------------------------------

void PathControl::Private::RequestPath() {
    // A second Refresh for the same process while its request runs sends nothing, unless that
    // request has had its 60 seconds.
    const bool send = pendingProcess.isEmpty() || pendingProcess != Process ||
                      Dates::DiffSeconds(requestTime, Clock::Now()) >= TimeOutSeconds;

    // The period is adjusted on every call, sent or not, and written back: a host that wants a
    // fixed period sets it again before each Refresh. `hours` is taken before any adjustment.
    int16_t hours = 0;
    int16_t step = 0;
    Common::TimeToAddDashboardOversize(StartDate, EndDate, hours, step);
    if (HoursExtraAdd)
        EndDate = Common::FormatYYYYMMDDhhmmss(Dates::AddHours(Common::ToDate(EndDate), step));
    EndDate = EndDate.left(10) + QStringLiteral("0000");
    StartDate = StartDate.left(10) + QStringLiteral("0000");
    if (step != 0 && hours % step != 0) {
        const int16_t missing = static_cast<int16_t>(step - hours % step);
        EndDate = Common::FormatYYYYMMDDhhmmss(Dates::AddHours(Common::ToDate(EndDate), missing));
    }
    if (!send)
        return;

    pendingProcess = Process;
    requestTime = Clock::Now();
    ShowPlaceholder();
    request->Send(URL + QLatin1Char('?') + Query());
}

// "Updating..." centred over the current picture, in a font of a 24th of the height (10 to 24
// pixels); the reply is drawn in that font too.
void PathControl::Private::ShowPlaceholder() {
    const int pixels = std::clamp(q.height() / 24, 10, 24);
    FontStyle font = picPath->Font();
    font.Size = static_cast<float>(Twips::ToPoints(q.PixelsToTwips(pixels)));
    picPath->SetFont(font);
    picPath->MoveTo((q.width() - picPath->TextWidth(kUpdating)) / 2,
                    (q.height() - picPath->TextHeight(kUpdating)) / 2);
    picPath->SetForeColor(0x00000000);
    picPath->Print(kUpdating);
}

// Values go in as they stand, unescaped; Session is not sent.
QString PathControl::Private::Query() const {
    const auto number = [](int64_t value) { return QString::number(value); };
    return Envelope::BuildQuery(
        {{QStringLiteral("server_ip"), IP},
         {QStringLiteral("db_port"), number(Port)},
         {QStringLiteral("company_id"), Company},
         {QStringLiteral("user_id"), User},
         {QStringLiteral("tree"), Area + QLatin1Char('{') + Process + QLatin1Char('}')},
         {QStringLiteral("process"), Process},
         {QStringLiteral("period_from"), StartDate},
         {QStringLiteral("period_to"), EndDate},
         {QStringLiteral("path_id"), QStringLiteral("0")},
         {QStringLiteral("constype_id"), QString()},
         {QStringLiteral("period_id"), QStringLiteral("0")},
         {QStringLiteral("width"), number(q.width())},
         {QStringLiteral("height"), number(q.height())},
         {QStringLiteral("ign_hist"), QStringLiteral("1")},
         {QStringLiteral("device_id"), Device},
         {QStringLiteral("terminal"), QStringLiteral("1")},
         {QStringLiteral("planned"), number(Planned)},
         {QStringLiteral("ratiostype"), number(RatiosType)},
         {QStringLiteral("ratiostypetarget"), number(RatiosTypeTarget)},
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
void PathControl::Private::ShowScript(const QString& script) {
    picPath->Clear();
    q.Paint(script);
    lastRefresh = Clock::Now();
    pendingProcess.clear();
}

QString PathControl::Private::ReplyScript(int32_t status, const std::function<QString()>& replyText) const {
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

void PathControl::Private::DrawFailure(const QString& failureText, bool closingSemicolon) {
    picPath->Clear();
    pendingProcess.clear();
    QString statement = DrawnText(QString(failureText).remove(QStringLiteral("\r\n")));
    if (!closingSemicolon)
        statement.chop(1);
    q.Paint(statement);
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

const ComponentIdentity& PathControl::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("PathControl"),
        QStringLiteral("{04A02440-3DDD-47CE-A4E2-855F13D8871D}"),
        QStringLiteral("_PathControl"),
        QStringLiteral("{AA689773-EFD5-4F9F-9F62-D41DD7F29B73}"),
        QStringLiteral("__PathControl"),
        QStringLiteral("{9C767660-401A-4573-B13A-84EC973C12C9}"),
        QStringLiteral("RemoteControl()"),
        {
            {"TextRotate", 0x60030031},        {"Refresh", 0x60030035},
            {"Processing", 0x60030039},        {"Paint", 0x6003003A},
            {LastRefreshProperty, 0x68030030}, {"Reset", 0x60030045},
            {URLProperty, 0x6803002F},         {IPProperty, 0x6803002E},
            {PortProperty, 0x6803002D},        {CompanyProperty, 0x6803002C},
            {SessionProperty, 0x6803002B},     {AreaProperty, 0x6803002A},
            {ProcessProperty, 0x68030029},     {StartDateProperty, 0x68030028},
            {EndDateProperty, 0x68030027},     {UserProperty, 0x68030026},
            {DeviceProperty, 0x68030025},      {HoursExtraAddProperty, 0x68030024},
            {ErrorProperty, 0x68030023},       {PlannedProperty, 0x68030048},
            {RatiosTypeProperty, 0x68030047},  {RatiosTypeTargetProperty, 0x68030046},
        },
    };
    return identity;
}

} // namespace k7
