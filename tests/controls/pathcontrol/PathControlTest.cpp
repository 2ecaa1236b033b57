// PathControl's requests: the query, the period it sends, when it sends, what it draws for each
// outcome, and the 60 seconds of fake time it waits; the whole way against the simulated plant's
// drawing service over real HTTP on 127.0.0.1; then its canvas interpreter, judged by the pixels
// of the picture.

#include "support/Checks.h"
#include "support/InkBounds.h"
#include "support/Printers.h"

#include "controls/pathcontrol/CanvasInterpreter_p.h"
#include "controls/pathcontrol/PathControl.h"
#include "core/Clock_p.h"
#include "core/RuntimeError.h"
#include "frame/requests/ConnectionGroupBinding_p.h"
#include "controls/pathcontrol/RasterSurface_p.h"
#include "frame/children/Timer_p.h"
#include "plant/DrawingService.h"
#include "plant/PlantService.h"
#include "service/ConnectionGroup_p.h"
#include "service/HttpErrors_p.h"
#include "service/HttpRequest_p.h"

#include <QImage>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using k7::Date;
using k7::PathControl;
using k7::RuntimeError;

const QColor kWhite(255, 255, 255), kBlack(0, 0, 0), kRed(255, 0, 0), kBlue(0, 0, 255), kOrange(255, 128, 0);

void Size(PathControl& control, int width, int height) {
    control.SetExtent(static_cast<float>(control.PixelsToTwips(width)),
                      static_cast<float>(control.PixelsToTwips(height)));
}

// A text drawn in black at (10, 20): how a failure, a status or the time-out is shown.
QString Message(const QString& text) {
    return "ctx.fillText('" + text + "',10,20)";
}

// An asynchronous request whose progress the test decides: Open and Send only record, the reply
// is there once the test sets State to 4.
class ScriptedAsyncRequest : public k7::HttpRequestObject {
public:
    void Open(const QString& method, const QString& url, bool async) override {
        if (OpenFailure)
            throw *OpenFailure;
        EXPECT_TRUE(method == "GET" && async);
        Opened << url;
        State = 1;
    }
    void Send() override { State = 2; }
    void Abort() override {
        ++Aborts;
        State = 0;
    }
    int32_t readyState() const override { return State; }
    int32_t Status() const override {
        if (StatusFailure)
            throw *StatusFailure;
        return StatusCode;
    }
    QString StatusText() const override { return {}; }
    QString ResponseText() const override { return Body; }
    void SetTimeouts(int32_t resolve, int32_t connect, int32_t send, int32_t receive) override {
        EXPECT_TRUE(resolve == connect && connect == send && send == receive);
        Timeouts = resolve;
    }
    void SetRequestHeader(const QString&, const QString&) override {
        ADD_FAILURE() << "the path view sends no header";
    }

    int32_t State = 0, StatusCode = 200;
    QString Body;
    std::optional<RuntimeError> OpenFailure, StatusFailure;
    QStringList Opened; // the URLs, in order
    int Aborts = 0;
    int Timeouts = -2; // what SetTimeouts was given (all four alike), -2: never called
};

// The picture a fresh control shows after `scripts`, painted in turn: 200 x 120 pixels, or of the
// size and font of `like`.
QImage Painted(const QStringList& scripts, const PathControl* like = nullptr) {
    PathControl control;
    Size(control, 200, 120);
    if (like) {
        control.resize(like->size());
        control.picPath().SetFont(like->picPath().Font());
    }
    for (const QString& script : scripts)
        control.Paint(script);
    return control.picPath().Image().copy();
}

class PathRequest : public ::testing::Test {
protected:
    void SetUp() override {
        auto request = std::make_unique<ScriptedAsyncRequest>();
        exchange = request.get();
        control.SetRequestObject(std::move(request));
        Size(control, 320, 240);
        control.setURL("http://plant/drawing/path");
        control.setIP("10.0.0.5");
        control.setPort(1433);
        control.setCompany("ORV");
        control.setUser("U7");
        control.setDevice("D1");
        control.setArea("Assembly");
        control.setProcess("P100");
        control.setStartDate("20240105063015");
        control.setEndDate("20240105183000");
    }
    void Advance(double seconds) { k7::Clock::AdvanceSeconds(seconds); }
    // Completes the request in flight with a reply.
    void Reply(int32_t status, const QString& body = {}) {
        exchange->StatusCode = status;
        exchange->Body = body;
        exchange->State = 4;
    }
    // Sends `process`, and the picture that shows then.
    QImage Sent(const QString& process) {
        control.setProcess(process);
        control.Refresh(true);
        return control.picPath().Image().copy();
    }

    PathControl control;
    const k7::test::FrozenClock clock{
        Date(k7::Dates::DateSerial(2024, 1, 5).Serial + k7::Dates::TimeSerial(6, 30, 0))};
    ScriptedAsyncRequest* exchange = nullptr; // owned by the control
};

// --- the request -----------------------------------------------------------------------------

TEST_F(PathRequest, SendsTheTwentyParametersInTheirOrderAndPollsEvery500ms) {
    control.setPlanned(1);
    control.setRatiosType(2);
    control.setRatiosTypeTarget(3);
    EXPECT_EQ(exchange->Timeouts, 0) << "no limits: the control's own 60 s are the only one";
    EXPECT_FALSE(control.Refresh(false));
    EXPECT_EQ(
        exchange->Opened,
        QStringList{"http://plant/drawing/path?server_ip=10.0.0.5&db_port=1433&company_id=ORV&user_id=U7"
                    "&tree=Assembly{P100}&process=P100&period_from=20240105060000&period_to=20240105180000"
                    "&path_id=0&constype_id=&period_id=0&width=320&height=240&ign_hist=1&device_id=D1"
                    "&terminal=1&planned=1&ratiostype=2&ratiostypetarget=3&seq=23400"});
    EXPECT_EQ(exchange->State, 2) << "sent";
    EXPECT_TRUE(control.tmrPath().Enabled());
    Reply(200, "ctx.fillRect(0,0,10,10)");
    control.tmrPath().Fire();
    EXPECT_EQ(control.picPath().Image().pixelColor(5, 5), kBlack) << "the tick polls";
}

TEST_F(PathRequest, ThePeriodIsTruncatedToTheHourAndExtendedToWholeSteps) {
    // 12 h go in steps of 1, 31 h in steps of 3: extended to whole steps, after the extra step if
    // any; only dates are padded; the empty period, extended, becomes the zero date.
    const struct {
        QString Start, End;
        bool HoursExtraAdd;
        QString From, To; // sent, and kept in StartDate and EndDate
    } rows[] = {{"20240105063015", "20240105183000", true, "20240105060000", "20240105190000"},
                {"20240105000000", "20240106070000", false, "20240105000000", "20240106090000"},
                {"20240105000000", "20240106070000", true, "20240105000000", "20240106120000"},
                {"20240105", "20240106", false, "202401050000", "202401060000"},
                {"", "", true, "0000", "18991230000000"}};
    for (const auto& row : rows) {
        control.setStartDate(row.Start);
        control.setEndDate(row.End);
        control.setHoursExtraAdd(row.HoursExtraAdd);
        Advance(60);
        Sent("P100");
        EXPECT_TRUE(
            exchange->Opened.last().contains("&period_from=" + row.From + "&period_to=" + row.To + "&"))
            << exchange->Opened.last().toStdString();
        EXPECT_EQ(control.StartDate(), row.From);
        EXPECT_EQ(control.EndDate(), row.To);
    }
    ASSERT_EQ(exchange->Opened.size(), 5);

    // The stored "0000" is too short for a date: the error reaches the host; nothing is sent or drawn.
    const QImage before = control.picPath().Image().copy();
    Advance(60);
    EXPECT_EQ(k7::test::Outcome([&] { return control.Refresh(true); }), "13-Type mismatch");
    EXPECT_EQ(exchange->Opened.size(), 5);
    EXPECT_TRUE(control.picPath().Image() == before);
}

TEST_F(PathRequest, SendsAgainForAnotherProcessAtOnceAndForTheSameAfter60Seconds) {
    struct {
        double AfterSeconds;
        const char* Process;
        bool Sends;
    } const steps[] = {
        {0, "P100", true}, {5, "P100", false}, {54, "P100", false}, // 59 s
        {2, "P100", true},                                          // 61 s after the first
        {1, "P200", true}, {1, "P100", true},  {30, "P100", false},
    };
    control.setHoursExtraAdd(true);
    int sent = 0;
    for (const auto& step : steps) {
        Advance(step.AfterSeconds);
        const QString end = control.EndDate();
        Sent(step.Process);
        sent += step.Sends;
        EXPECT_EQ(exchange->Opened.size(), sent) << step.Process << " after " << step.AfterSeconds << " s";
        EXPECT_NE(control.EndDate(), end) << "the period moves on every call, sent or not";
    }
    EXPECT_EQ(exchange->Aborts, 0) << "a sent request is not aborted, only reopened";
    exchange->State = 1; // opened, never sent: aborted before the next
    Sent("P200");
    EXPECT_EQ(exchange->Aborts, 1);

    // Reset forgets the last refresh and the request in flight: polling stops and its reply, late,
    // is never drawn.
    Reply(200, "");
    control.Processing();
    EXPECT_NE(control.LastRefresh(), Date());
    const QImage placeholder = Sent("P200");
    control.Reset();
    EXPECT_FALSE(control.tmrPath().Enabled());
    EXPECT_EQ(control.LastRefresh(), Date());
    Reply(200, "ctx.fillRect(0,0,99,99)");
    control.tmrPath().Fire();
    EXPECT_TRUE(control.picPath().Image() == placeholder);
    EXPECT_EQ(exchange->Aborts, 1) << "the request object is left alone";
}

// --- what is drawn ------------------------------------------------------------------------------

// One outcome of a request: the status of its reply (0: none), what fails, how long the control has
// waited, and the script that draws what shows then ("": the placeholder, still waiting).
struct OutcomeRow {
    const char* Name;
    int32_t Status;
    double Seconds;
    QString Drawn;
    bool Refreshed; // a reply or the time-out is a refresh, a failure is not
    std::optional<RuntimeError> OpenFailure = std::nullopt, StatusFailure = std::nullopt;
};

const QString kBody = "ctx.fillStyle='#ff0000';ctx.fillRect(5,5,20,20)";

class PathOutcome : public PathRequest, public ::testing::WithParamInterface<OutcomeRow> {};

TEST_P(PathOutcome, IsDrawnOnACleanPictureOrWaitedFor) {
    const OutcomeRow& row = GetParam();
    control.picPath().Box(0, 0, 320, 240, k7::RasterSurface::BoxStyle::Filled, 0x0000FF);
    exchange->OpenFailure = row.OpenFailure;
    const QImage placeholder = Sent("P100");
    exchange->OpenFailure.reset();
    if (row.Status != 0)
        Reply(row.Status, kBody);
    exchange->StatusFailure = row.StatusFailure;
    Advance(row.Seconds);
    control.Processing();
    const bool waiting = row.Drawn.isEmpty();
    EXPECT_TRUE(control.picPath().Image() == (waiting ? placeholder : Painted({row.Drawn}, &control)));
    EXPECT_EQ(control.tmrPath().Enabled(), waiting);
    EXPECT_EQ(control.LastRefresh().Serial, row.Refreshed ? k7::Clock::Now().Serial : 0);
    EXPECT_EQ(control.Error(), "");
    // Once something is drawn nothing is pending: the same process is sent again at once.
    const qsizetype opened = exchange->Opened.size();
    Sent("P100");
    EXPECT_EQ(exchange->Opened.size(), opened + (waiting ? 0 : 1));
}

RuntimeError Transient(uint32_t number) {
    return RuntimeError(static_cast<int32_t>(number), "not now\r\n");
}

const QString kTimeOut = Message("Time out (60 secs.)");

INSTANTIATE_TEST_SUITE_P(
    Path, PathOutcome,
    ::testing::Values(
        OutcomeRow{"Reply", 200, 3, kBody, true},
        // Other statuses draw their text; 12002 is the request layer's own time-out.
        OutcomeRow{"NotFound", 404, 3, Message("404: Not Found"), true},
        OutcomeRow{"RequestTimeOut", 12002, 3, Message("12002: Time out"), true},
        OutcomeRow{"OtherStatus", 403, 3, Message("403: Error"), true},
        // Sixty seconds of clock time; a reply that is there but late is not drawn either.
        OutcomeRow{"NoReplyYet", 0, 59.4, "", false},
        OutcomeRow{"NoReplyInTime", 0, 60, kTimeOut, true},
        OutcomeRow{"LateReply", 200, 61, kTimeOut, true},
        // A request that cannot start, or whose reply cannot be read, is drawn with its failure text;
        // the transient ones are polled again at the next tick.
        OutcomeRow{"NotSent", 0, 0, Message("-2147012891-The URL is invalid"), false,
                   k7::HttpError(k7::HttpFailure::InvalidUrl)},
        OutcomeRow{"NoConnection", 200, 3,
                   Message("-2147012867-A connection with the server could not be established"), false,
                   std::nullopt, k7::HttpError(k7::HttpFailure::CannotConnect)},
        OutcomeRow{"WrongState", 200, 3, "", false, std::nullopt, Transient(0x80072EF3u)},
        OutcomeRow{"SchemeUnknown", 200, 3, "", false, std::nullopt, Transient(0x80072EE6u)},
        OutcomeRow{"InvalidHandle", 200, 3, "", false, std::nullopt, Transient(0x80070006u)}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(PathRequest, UpdatingIsCentredInAFontOfATwentyFourthOfTheHeight) {
    // 240 pixels, the design height, is in the golden dump.
    const std::pair<int, int> heightsAndFontPixels[] = {{120, 10}, {287, 11}, {600, 24}};
    for (const auto& [height, fontPixels] : heightsAndFontPixels) {
        SCOPED_TRACE(height);
        control.picPath().Clear();
        Size(control, 300, height);
        Advance(60);
        Sent("P100");
        const k7::RasterSurface& picture = control.picPath();
        EXPECT_FLOAT_EQ(picture.Font().Size, static_cast<float>(control.PixelsToTwips(fontPixels) / 20));
        const QRect ink = InkBounds(picture.Image());
        EXPECT_NEAR(ink.center().x(), 150, 3);
        EXPECT_NEAR(ink.center().y(), height / 2.0, picture.TextHeight("Updating...") / 2);
        EXPECT_TRUE(exchange->Opened.last().contains(QString("&height=%1&").arg(height)));
    }
}

// --- against the simulated plant -----------------------------------------------------------------

TEST_F(PathRequest, DrawsWhatThePlantsDrawingServiceAnswers) {
    k7::plant::PlantService plant;
    plant.Start(0);
    auto request = std::make_unique<k7::HttpRequest>(k7::HttpRequest::Kind::Server);
    const k7::HttpRequest& watched = *request;
    control.SetRequestObject(std::move(request));
    control.setURL(plant.BaseUrl() + k7::plant::DrawingService::Path());
    control.setProcess("P200");
    control.setStartDate("20240104183000");
    control.setEndDate("20240105063000");

    control.Refresh(false);
    ASSERT_TRUE(k7::test::WaitUntil([&] { return watched.readyState() == 4; }));
    control.Processing();
    // The area's box along the left edge, the process boxes across the rest, no failure text.
    const QImage image = control.picPath().Image();
    EXPECT_EQ(image.pixelColor(10, 200), QColor(225, 232, 245));
    const QRect ink = InkBounds(image);
    EXPECT_EQ(ink.left(), 8);
    EXPECT_GE(ink.right(), 300);
    EXPECT_EQ(control.Interpreter().TextAlign(), "start") << "the script ran to its end";
}

// The path view's built-in request goes over the connection group its host put the control in.
TEST(PathInGroup, ReadsThePictureOverItsConnectionGroup) {
    k7::plant::PlantService plant;
    plant.Start(0);
    k7::PathControl path;
    const auto group = k7::ConnectionGroup::Create();
    k7::UseConnectionGroup(path, group);
    int32_t status = -1;
    QObject::connect(&path, &k7::ControlBase::RequestFinished,
                     [&status](const k7::RequestOutcome& outcome) { status = outcome.Status; });
    Size(path, 320, 240);
    path.setURL(plant.BaseUrl() + k7::plant::DrawingService::Path());
    path.setProcess("P200");
    path.setStartDate("20240104183000");
    path.setEndDate("20240105063000");
    path.Refresh(false);
    ASSERT_TRUE(k7::test::WaitUntil([&] { return status != -1; }));
    EXPECT_EQ(status, 200);
    EXPECT_EQ(group->ConnectionsOpened(), 1);
}

// --- the canvas: statements to pixels -----------------------------------------------------------

struct Probe {
    int X, Y;
    QColor Expected;
};

struct PixelRow {
    const char* Name;
    QString Script;
    std::vector<Probe> Probes;
};

class CanvasPixels : public ::testing::TestWithParam<PixelRow> {};

TEST_P(CanvasPixels, DrawTheStatementsAtOnce) {
    const QImage image = Painted({GetParam().Script});
    for (const Probe& probe : GetParam().Probes)
        EXPECT_EQ(image.pixelColor(probe.X, probe.Y), probe.Expected) << "at " << probe.X << "," << probe.Y;
}

INSTANTIATE_TEST_SUITE_P(
    Canvas, CanvasPixels,
    ::testing::Values(
        // Every arc is a full, solid circle whatever its angles; the stroke style fills it too.
        PixelRow{"RedLineAndArc",
                 "ctx.strokeStyle='#ff0000';ctx.moveTo(10,10);ctx.lineTo(100,10);ctx.arc(150,60,5,0,1)",
                 {{10, 10, kRed}, {100, 10, kRed}, {55, 12, kWhite}, {103, 10, kWhite}, {150, 60, kRed},
                  {150, 56, kRed}, {150, 64, kRed}, {146, 60, kRed}, {157, 60, kWhite}}},
        PixelRow{"RgbaBoxOpacityIgnoredComponentsAbove255Are255",
                 "ctx.fillStyle='rgba(300,128,0,0.5)';ctx.fillRect(5,5,20,10)",
                 {{5, 5, kOrange}, {24, 14, kOrange}, {25, 10, kWhite}, {10, 15, kWhite}, {4, 5, kWhite}}},
        // Six digits read as a 32-bit number even where the value fits 16 bits, so blue is kept.
        PixelRow{"SixDigitColoursAreTheColoursTheyName",
                 "ctx.fillStyle='#008000';ctx.fillRect(0,0,10,10);"
                 "ctx.fillStyle='#123456';ctx.fillRect(20,0,10,10)",
                 {{5, 5, QColor(0, 128, 0)}, {25, 5, QColor(0x12, 0x34, 0x56)}}},
        // A lone LF hides the statement after it, CR LF separates lines, a leading blank hides a
        // statement, empty ones are skipped, any receiver is fine, unknown commands are ignored.
        PixelRow{"Separators",
                 "ctx.fillStyle='#ff0000';ctx.fillRect(0,0,10,10);"
                 "\nctx.fillStyle='#0000ff';ctx.fillRect(20,0,10,10)"
                 "\r\nctx.fillStyle='#0000ff';ctx.fillRect(40,0,10,10);;; ctx.fillRect(60,0,10,10);"
                 "abc.fillRect(80,0,10,10);ctx.stroke();ctx.beginPath();ctx.font='20px Arial'",
                 {{5, 5, kRed}, {25, 5, kRed}, {45, 5, kBlue}, {65, 5, kWhite}, {85, 5, kBlue}}}),
    [](const auto& info) { return std::string(info.param.Name); });

// --- what a script does, said plainly ------------------------------------------------------------

// A script, or scripts painted in turn on one control, and a plain script that paints the same.
struct SameRow {
    QStringList Scripts;
    QString Expected;
    friend void PrintTo(const SameRow& row, std::ostream* out) {
        *out << row.Scripts.join(" | ").left(200).toStdString();
    }
};

class CanvasSamePicture : public ::testing::TestWithParam<SameRow> {};

TEST_P(CanvasSamePicture, AsTheScriptThatSaysItPlainly) {
    const QImage expected = Painted({GetParam().Expected});
    EXPECT_NE(InkBounds(expected), QRect()) << "the expectation draws something";
    EXPECT_TRUE(Painted(GetParam().Scripts) == expected);
}

const QString kBox = "ctx.fillRect(150,80,10,10);";
const QString kTopLeft = "ctx.textAlign='left';ctx.textBaseline='top';";
const QString kInvalid = "5-Invalid procedure call or argument", kOverflow = "6-Overflow";

INSTANTIATE_TEST_SUITE_P(
    Canvas, CanvasSamePicture,
    ::testing::Values(
        // A failure: the rest is skipped, its text drawn as the alignment set so far says.
        SameRow{{kBox + kTopLeft + "ctx.lineWidth = 0;ctx.fillRect(0,0,50,50)"},
                kBox + kTopLeft + Message("380-Invalid property value")},
        SameRow{{"ctx.strokeStyle='#ff0000';ctx.moveTo(1)\r\n" + kBox}, Message("9-Subscript out of range")},
        SameRow{{"ctx.lineTo(4,x)"}, Message("13-Type mismatch")},
        SameRow{{"ctx.fillRect()"}, Message("9-Subscript out of range")},
        SameRow{{"ctx.moveTo"}, Message(kInvalid)}, // too short for its brackets
        SameRow{{"ctx.fillStyle='rgba(-1,0,0,1)'"}, Message(kInvalid)},
        SameRow{{"ctx.moveTo(1e39,0)"}, Message(kOverflow)},
        SameRow{{"ctx.fillRect(3e38,0,3e38,1)"}, Message(kOverflow)}, // the sum leaves the single range
        SameRow{{"ctx.arcTo(20,20,3)"}, Message("13-Type mismatch")}, // arc, its arguments cut by position
        // The failure text is a fillText too: when saved it is turned and needs a translate as well.
        SameRow{{kBox + "ctx.save();ctx.fillText('up',0,0);ctx.fillRect(0,0,9,9)"}, kBox},
        // The 16-bit loop counters: 40,000 lines stop before the first, 32,768 run, then overflow.
        SameRow{{kBox + QString("\r\n").repeated(39999)}, Message(kOverflow)},
        SameRow{{kBox + QString("\r\n").repeated(32767)}, kBox + Message(kOverflow)},
        SameRow{{kBox + QString("\r\n").repeated(32766)}, kBox},
        SameRow{{kBox + QString(";").repeated(32768)}, Message(kOverflow)},
        // Alignment, colour, width and current point carry over from one script to the next.
        SameRow{{"ctx.textAlign = 'left';ctx.textBaseline='top';ctx.strokeStyle='#ff0000';ctx.lineWidth=3;"
                 "ctx.moveTo(10,10)",
                 "ctx.lineTo(90,90);ctx.fillText('Hello',100,50)"},
                kTopLeft + "ctx.strokeStyle='#ff0000';ctx.lineWidth=3;ctx.moveTo(10,10);ctx.lineTo(90,90);"
                           "ctx.fillText('Hello',100,50)"},
        SameRow{{"ctx.textAlign='start';ctx.textBaseline='middle';ctx.fillText('Hi',100,50)"},
                "ctx.fillText('Hi',100,50)"},
        // A lenient x (of a very long number only its start), extra fields ignored; without quotes
        // at the current point, which of endless arguments took only the first two.
        SameRow{{"ctx.fillText('Hi',100px,50,400)"}, "ctx.fillText('Hi',100,50)"},
        SameRow{{"ctx.fillText('Hi',1.1" + QString(".1").repeated(100000) + ",50)"},
                "ctx.fillText('Hi',1.1,50)"},
        SameRow{{"ctx.moveTo(40,30" + QString(",1").repeated(200000) + ");ctx.fillText(Hello)"},
                kTopLeft + "ctx.fillText('Hello',40,30)"},
        // Three digits read the wrong characters; "rgb" and blanks around "=" give black.
        SameRow{{"ctx.fillStyle='#f00';ctx.fillRect(0,0,10,10)"},
                "ctx.fillStyle='#f00000';ctx.fillRect(0,0,10,10)"},
        SameRow{{"ctx.fillStyle='rgb(0,0,255)';ctx.fillRect(0,0,10,10)"}, "ctx.fillRect(0,0,10,10)"},
        SameRow{{"ctx.fillStyle='#0000ff';ctx.fillStyle = '#0000ff';ctx.fillRect(0,0,10,10)"},
                "ctx.fillRect(0,0,10,10)"},
        // Saved text ignores the rotate angle and its own x and y.
        SameRow{{"ctx.save();ctx.translate(30,20);ctx.rotate(1);ctx.fillText('Down',0,0);ctx.restore()"},
                "ctx.save();ctx.translate(30,20);ctx.fillText('Down',99,99);ctx.restore()"}));

// --- text positions -------------------------------------------------------------------------------

TEST(CanvasText, CentredByDefaultRightBottomWhenAskedAndRunningDownwardsWhenSaved) {
    PathControl control;
    Size(control, 200, 200);
    const double height = control.picPath().TextHeight("Hello");
    const auto ink = [&control](const QString& script) {
        control.picPath().Clear();
        control.Paint(script);
        return InkBounds(control.picPath().Image());
    };

    QRect box = ink("ctx.fillText('Hello',100,50)");
    EXPECT_NEAR(box.center().x(), 100, 3);
    EXPECT_GE(box.top(), 50 - height / 2);
    EXPECT_LE(box.bottom(), 50 + height / 2);

    box = ink("ctx.textAlign='right';ctx.textBaseline='bottom';ctx.fillText('Hello',100,50)");
    EXPECT_TRUE(box.right() <= 100 && box.right() >= 97 && box.bottom() <= 50);

    // Turned 90 degrees clockwise about the translate point: left of it and below it.
    box = ink(
        "ctx.save();ctx.translate(30,100);ctx.rotate(-Math.PI/2);ctx.fillText('Hello',0,0);ctx.restore()");
    EXPECT_TRUE(box.top() >= 100 && box.right() <= 30 && !box.isEmpty());
    EXPECT_EQ(control.picPath().CurrentX(), 30) << "the translate point is the current point";
    EXPECT_EQ(control.picPath().CurrentY(), 100);
    EXPECT_FALSE(control.Interpreter().Saved()) << "restore ends rotated text";
}

TEST(CanvasText, TextRotateDrawsOnlyOnItsOwnDeviceContext) {
    PathControl control;
    PathControl other;
    Size(control, 100, 100);
    EXPECT_NE(control.hDC(), 0);
    EXPECT_NE(control.hDC(), other.hDC());
    EXPECT_FALSE(control.TextRotate(0, "Hi", 50, 10, -90));
    EXPECT_FALSE(control.TextRotate(other.hDC(), "Hi", 50, 10, -90));
    EXPECT_FALSE(control.TextRotate(control.hDC(), "Hi", 50, 10, 1e38f)) << "a turn beyond 32 bits";
    EXPECT_EQ(InkBounds(control.picPath().Image()), QRect());

    EXPECT_TRUE(control.TextRotate(control.hDC(), "Hi", 50, 10, -90));
    const QRect ink = InkBounds(control.picPath().Image());
    EXPECT_TRUE(ink.top() >= 10 && ink.right() <= 50);
}

} // namespace
