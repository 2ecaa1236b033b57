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

const PropertyTable& PathControl::ClassProperties() {
    // Persisted in this order; every write asks the host first.
    static const PropertyTable table = [] {
        constexpr WriteForm notifying = WriteForm::Notifying;
        PropertyTable properties;
        properties.Add(URLProperty, &PathControl::url_, notifying, Variant(QString()))
            .Add(IPProperty, &PathControl::ip_, notifying, Variant(QStringLiteral("127.0.0.1")))
            .Add(PortProperty, &PathControl::port_, notifying, Variant(int16_t(10000)))
            .Add(CompanyProperty, &PathControl::company_, notifying, Variant(QString()))
            .Add(SessionProperty, &PathControl::session_, notifying, Variant(QString()))
            .Add(AreaProperty, &PathControl::area_, notifying, Variant(QString()))
            .Add(ProcessProperty, &PathControl::process_, notifying, Variant(QString()))
            .Add(StartDateProperty, &PathControl::startDate_, notifying, Variant(QString()))
            .Add(EndDateProperty, &PathControl::endDate_, notifying, Variant(QString()))
            .Add(UserProperty, &PathControl::user_, notifying, Variant(QString()))
            .Add(DeviceProperty, &PathControl::device_, notifying, Variant(QString()))
            .Add(PlannedProperty, &PathControl::planned_, notifying, Variant(uint8_t(0)))
            .Add(RatiosTypeProperty, &PathControl::ratiosType_, notifying, Variant(uint8_t(0)))
            .Add(RatiosTypeTargetProperty, &PathControl::ratiosTypeTarget_, notifying, Variant(uint8_t(0)))
            .Add(HoursExtraAddProperty, &PathControl::hoursExtraAdd_, notifying, Variant(true));
        // A date has no property type of its own: it travels as its serial, read-only, not persisted.
        PropertyDefinition lastRefresh;
        lastRefresh.Name = LastRefreshProperty.Text();
        lastRefresh.Persisted = false;
        lastRefresh.Type = PropertyType::Double;
        lastRefresh.Access = PropertyAccess::ReadOnly; // as its key says
        lastRefresh.Get = [](const ControlBase& control) {
            return Variant(static_cast<const PathControl&>(control).lastRefresh_.Serial);
        };
        lastRefresh.Set = [](ControlBase&, const Variant&) { Raise(ErrorNumber::PropertyIsReadOnly); };
        properties.Add(std::move(lastRefresh));
        return properties;
    }();
    return table;
}

PathControl::PathControl(QWidget* parent) : ControlBase(parent), hDC_(NextDeviceContext()) {
    SetDesignExtent(4800, 3600);
    SetBackColor(Colors::Rgb(255, 255, 255));
    // Every failure is drawn on the picture; none reaches Error.
    SetHandlerFailures(FailurePolicy::Swallow);
    picPath_ = &Create<RasterSurface>(QStringLiteral("picPath"));
    tmrPath_ = &Create<Timer>(QStringLiteral("tmrPath"));
    tmrPath_->SetInterval(PollInterval);
    ConnectHandler(tmrPath_, &Timer::Tick, [this] { Processing(); });
    request_ = std::make_unique<PolledRequest>(
        *tmrPath_, TimeOutSeconds,
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
    interpreter_ =
        std::make_unique<CanvasInterpreter>(*picPath_, [this](const QString& text, int32_t x, int32_t y) {
            TextRotate(hDC_, text, x, y, -90.0f);
        });
}

PathControl::~PathControl() = default;

void PathControl::SetRequestObject(std::unique_ptr<HttpRequestObject> request) {
    request_->SetRequestObject(std::move(request));
}

void PathControl::RefreshSequence(bool) {
    RequestPath();
}

// --- requests ----------------------------------------------------------------------------------

void PathControl::RequestPath() {
    // A second Refresh for the same process while its request runs sends nothing, unless that
    // request has had its 60 seconds.
    const bool send = pendingProcess_.isEmpty() || pendingProcess_ != process_ ||
                      Dates::DiffSeconds(requestTime_, Clock::Now()) >= TimeOutSeconds;

    // The period is adjusted on every call, sent or not, and written back: a host that wants a
    // fixed period sets it again before each Refresh. `hours` is taken before any adjustment.
    int16_t hours = 0;
    int16_t step = 0;
    Common::TimeToAddDashboardOversize(startDate_, endDate_, hours, step);
    if (hoursExtraAdd_)
        endDate_ = Common::FormatYYYYMMDDhhmmss(Dates::AddHours(Common::ToDate(endDate_), step));
    endDate_ = endDate_.left(10) + QStringLiteral("0000");
    startDate_ = startDate_.left(10) + QStringLiteral("0000");
    if (step != 0 && hours % step != 0) {
        const int16_t missing = static_cast<int16_t>(step - hours % step);
        endDate_ = Common::FormatYYYYMMDDhhmmss(Dates::AddHours(Common::ToDate(endDate_), missing));
    }
    if (!send)
        return;

    pendingProcess_ = process_;
    requestTime_ = Clock::Now();
    ShowPlaceholder();
    request_->Send(url_ + QLatin1Char('?') + Query());
}

// "Updating..." centred over the current picture, in a font of a 24th of the height (10 to 24
// pixels); the reply is drawn in that font too.
void PathControl::ShowPlaceholder() {
    const int pixels = std::clamp(height() / 24, 10, 24);
    FontStyle font = picPath_->Font();
    font.Size = static_cast<float>(Twips::ToPoints(PixelsToTwips(pixels)));
    picPath_->SetFont(font);
    picPath_->MoveTo((width() - picPath_->TextWidth(kUpdating)) / 2,
                     (height() - picPath_->TextHeight(kUpdating)) / 2);
    picPath_->SetForeColor(0x00000000);
    picPath_->Print(kUpdating);
}

// Values go in as they stand, unescaped; Session is not sent.
QString PathControl::Query() const {
    const auto number = [](int64_t value) { return QString::number(value); };
    return Envelope::BuildQuery(
        {{QStringLiteral("server_ip"), ip_},
         {QStringLiteral("db_port"), number(port_)},
         {QStringLiteral("company_id"), company_},
         {QStringLiteral("user_id"), user_},
         {QStringLiteral("tree"), area_ + QLatin1Char('{') + process_ + QLatin1Char('}')},
         {QStringLiteral("process"), process_},
         {QStringLiteral("period_from"), startDate_},
         {QStringLiteral("period_to"), endDate_},
         {QStringLiteral("path_id"), QStringLiteral("0")},
         {QStringLiteral("constype_id"), QString()},
         {QStringLiteral("period_id"), QStringLiteral("0")},
         {QStringLiteral("width"), number(width())},
         {QStringLiteral("height"), number(height())},
         {QStringLiteral("ign_hist"), QStringLiteral("1")},
         {QStringLiteral("device_id"), device_},
         {QStringLiteral("terminal"), QStringLiteral("1")},
         {QStringLiteral("planned"), number(planned_)},
         {QStringLiteral("ratiostype"), number(ratiosType_)},
         {QStringLiteral("ratiostypetarget"), number(ratiosTypeTarget_)},
         {QStringLiteral("seq"), SecondsSinceMidnight(Clock::Now())}});
}

void PathControl::Processing() {
    // Nothing is waited for (a Reset, or the picture is drawn already): the polling stops.
    if (pendingProcess_.isEmpty()) {
        request_->Stop();
        return;
    }
    request_->Poll();
}

// The picture of a request that is over: drawn on a clean surface, and nothing is waited for any
// more.
void PathControl::ShowScript(const QString& script) {
    picPath_->Clear();
    Paint(script);
    lastRefresh_ = Clock::Now();
    pendingProcess_.clear();
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
    picPath_->Clear();
    pendingProcess_.clear();
    QString statement = DrawnText(QString(failureText).remove(QStringLiteral("\r\n")));
    if (!closingSemicolon)
        statement.chop(1);
    Paint(statement);
}

void PathControl::Reset() {
    request_->Stop();
    lastRefresh_ = Date();
    pendingProcess_.clear();
}

// --- drawing -----------------------------------------------------------------------------------

void PathControl::Paint(const QString& pStrResponse) {
    // The trap's path draws the failure and stops there, without the repaint.
    if (interpreter_->Run(pStrResponse))
        RepaintNow();
}

bool PathControl::TextRotate(int hDC, const QString& Output, int x, int y, float Rotation) {
    if (hDC == 0 || hDC != hDC_)
        return false;
    // A failure is the result, as the platform's text functions report one.
    return !Trap([&] {
                // The turn is kept in whole tenths of a degree.
                const int32_t escapement = ToLong(static_cast<double>(Rotation * 10.0f));
                picPath_->DrawRotatedText(ToAnsi(Output), x, y, escapement / 10.0);
            }).has_value();
}

} // namespace k7
