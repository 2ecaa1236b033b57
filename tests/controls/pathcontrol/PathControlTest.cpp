// PathControl's requests: the query, the period it sends, when it sends, what it draws for each
// outcome, and the 60 seconds of fake time it waits; then the whole way against the simulated
// plant's drawing service over real HTTP on 127.0.0.1.

#include "support/Checks.h"
#include "support/Printers.h"

#include "controls/pathcontrol/CanvasInterpreter.h"
#include "frame/RasterSurface.h"
#include "frame/Timer.h"
#include "core/Clock.h"
#include "core/RuntimeError.h"
#include "controls/pathcontrol/PathControl.h"
#include "plant/DrawingService.h"
#include "plant/PlantService.h"
#include "service/HttpErrors.h"
#include "service/HttpRequest.h"

#include <QImage>

#include <gtest/gtest.h>

#include <optional>

using k7::Date;
using k7::PathControl;
using k7::RuntimeError;

// Shared with CanvasInterpreterTest.cpp.
namespace pathview_test {
void Size(PathControl& control, int width, int height);
QRect InkBounds(const QImage& image);
} // namespace pathview_test

namespace {

using pathview_test::InkBounds;
using pathview_test::Size;

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
    void SetRequestHeader(const QString&, const QString&) override { ADD_FAILURE() << "the path view sends no header"; }

    int32_t State = 0, StatusCode = 200;
    QString Body;
    std::optional<RuntimeError> OpenFailure, StatusFailure;
    QStringList Opened; // the URLs, in order
    int Aborts = 0;
    int Timeouts = -2; // what SetTimeouts was given (all four alike), -2: never called
};

// 2024-01-05 06:30:00.
Date Morning() {
    return Date(k7::Dates::DateSerial(2024, 1, 5).Serial + k7::Dates::TimeSerial(6, 30, 0));
}

// The picture a fresh control of the same size and font shows after `script`.
QImage Painted(const PathControl& like, const QString& script) {
    PathControl control;
    control.resize(like.size());
    control.picPath().SetFont(like.picPath().Font());
    control.Paint(script);
    return control.picPath().Image().copy();
}

QString Drawn(const QString& text) {
    return "ctx.fillText('" + text + "',10,20);";
}

class PathRequest : public ::testing::Test {
protected:
    void SetUp() override {
        k7::Clock::Set(Morning());
        auto request = std::make_unique<ScriptedAsyncRequest>();
        exchange = request.get();
        control.SetRequestObject(std::move(request));
        Size(control, 320, 240);
        control.setURL("http://plant/drawing/path");
        control.setIP("10.0.0.5");
        control.setPort(1433);
        control.setCompany("ORV");
        control.setSession("S1");
        control.setUser("U7");
        control.setDevice("D1");
        control.setArea("Assembly");
        control.setProcess("P100");
        control.setStartDate("20240105063015");
        control.setEndDate("20240105183000");
    }
    void TearDown() override { k7::Clock::UseSystemTime(); }

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
    EXPECT_EQ(control.picPath().Image().pixelColor(5, 5), QColor(0, 0, 0)) << "the tick polls";
}

TEST_F(PathRequest, ThePeriodIsTruncatedToTheHourAndExtendedToWholeSteps) {
    // 12 h go in steps of 1, 30 h in steps of 3, 31 h are extended to whole steps after the extra
    // step; only dates are padded; the empty period, extended, becomes the zero date.
    const struct {
        QString Start, End;
        bool HoursExtraAdd;
        QString From, To; // sent, and kept in StartDate and EndDate
    } rows[] = {{"20240105063015", "20240105183000", true, "20240105060000", "20240105190000"},
                {"20240105000000", "20240106060000", false, "20240105000000", "20240106060000"},
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
    ASSERT_EQ(exchange->Opened.size(), 6);

    // The stored "0000" is too short for a date: the error reaches the host; nothing is sent or drawn.
    const QImage before = control.picPath().Image().copy();
    Advance(60);
    EXPECT_EQ(k7::test::Outcome([&] { return control.Refresh(true); }), "13-Type mismatch");
    EXPECT_EQ(exchange->Opened.size(), 6);
    EXPECT_TRUE(control.picPath().Image() == before);
}

TEST_F(PathRequest, ThePeriodMovesOnEveryCallEvenWhenNothingIsSent) {
    control.setHoursExtraAdd(true);
    Sent("P100");
    Advance(5);
    Sent("P100");
    EXPECT_EQ(exchange->Opened.size(), 1) << "the same process within 60 s";
    // 06:00 to 19:00 is 13 h, so the step is 2: 19:00 + 2 h, then 1 h more to whole steps.
    EXPECT_EQ(control.EndDate(), "20240105220000");
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
    int sent = 0;
    for (const auto& step : steps) {
        Advance(step.AfterSeconds);
        Sent(step.Process);
        sent += step.Sends;
        EXPECT_EQ(exchange->Opened.size(), sent) << step.Process << " after " << step.AfterSeconds << " s";
    }
    EXPECT_EQ(exchange->Aborts, 0) << "a sent request is not aborted, only reopened";
    exchange->State = 1; // opened, never sent: aborted before the next
    Sent("P200");
    EXPECT_EQ(exchange->Aborts, 1);

    // Once a reply is drawn nothing is pending: the same process is sent again at once.
    Reply(200, "");
    control.Processing();
    EXPECT_NE(control.LastRefresh(), Date());
    const QImage placeholder = Sent("P200");
    EXPECT_EQ(exchange->Opened.size(), sent + 2);

    // Reset forgets that request: polling stops and its reply, late, is never drawn.
    control.Reset();
    EXPECT_FALSE(control.tmrPath().Enabled());
    EXPECT_EQ(control.LastRefresh(), Date());
    Reply(200, "ctx.fillRect(0,0,99,99)");
    control.tmrPath().Fire();
    EXPECT_TRUE(control.picPath().Image() == placeholder);
    EXPECT_EQ(exchange->Aborts, 1) << "the request object is left alone";
}

// --- what is drawn ------------------------------------------------------------------------------

TEST_F(PathRequest, ClearsAndDrawsTheReplyOrItsStatusText) {
    const QString body = "ctx.fillStyle='#ff0000';ctx.fillRect(5,5,20,20)";
    // The status, then the text drawn for it; 200 draws the body.
    const QStringList outcomes = QString("200|206: Partial Content|301: Moved Permanently|302: Found|"
                                         "304: Not Modified|404: Not Found|500: Server Error|12002: Time out|"
                                         "403: Error")
                                     .split('|');
    for (const QString& outcome : outcomes) {
        const int32_t status = outcome.section(':', 0, 0).toInt();
        SCOPED_TRACE(status);
        control.picPath().Box(0, 0, 320, 240, k7::RasterSurface::BoxStyle::Filled, 0x0000FF);
        Sent("P100");
        Reply(status, body);
        Advance(3);
        control.Processing();
        const QString drawn = status == 200 ? body : Drawn(outcome);
        EXPECT_TRUE(control.picPath().Image() == Painted(control, drawn));
        EXPECT_EQ(control.LastRefresh().Serial, k7::Clock::Now().Serial);
        EXPECT_FALSE(control.tmrPath().Enabled());
    }
}

TEST_F(PathRequest, WaitsSixtySecondsOfClockTimeThenDrawsTheTimeOut) {
    const QImage placeholder = Sent("P100");
    EXPECT_NE(InkBounds(placeholder), QRect()) << "Updating... shown";
    Advance(59.4);
    control.Processing();
    EXPECT_TRUE(control.tmrPath().Enabled());
    EXPECT_TRUE(control.picPath().Image() == placeholder);
    EXPECT_EQ(control.LastRefresh(), Date());

    Advance(0.6);
    control.Processing();
    const QImage timeOut = Painted(control, Drawn("Time out (60 secs.)"));
    EXPECT_TRUE(control.picPath().Image() == timeOut);
    EXPECT_FALSE(control.tmrPath().Enabled());
    EXPECT_EQ(control.LastRefresh().Serial, k7::Clock::Now().Serial);

    // A reply that is there, but late, is not drawn either.
    Sent("P100");
    Reply(200, "ctx.fillRect(0,0,99,99)");
    Advance(61);
    control.Processing();
    EXPECT_TRUE(control.picPath().Image() == timeOut);
}

TEST_F(PathRequest, FailuresAreDrawnTransientOnesWaitForTheNextTick) {
    // A request that cannot start: drawn, nothing left pending, so the next is sent at once.
    exchange->OpenFailure = k7::HttpError(k7::HttpFailure::InvalidUrl);
    Sent("P100");
    EXPECT_TRUE(control.picPath().Image() == Painted(control, Drawn("-2147012891-The URL is invalid")));
    EXPECT_FALSE(control.tmrPath().Enabled());
    exchange->OpenFailure.reset();
    const QImage placeholder = Sent("P100");
    EXPECT_EQ(exchange->Opened.size(), 1);

    Reply(200, "ctx.fillRect(0,0,10,10)");
    for (const int32_t transient : {int32_t(0x80072EF3u), int32_t(0x80072EE6u), int32_t(0x80070006u)}) {
        exchange->StatusFailure = RuntimeError(transient, "not now\r\n");
        control.Processing();
        EXPECT_TRUE(control.tmrPath().Enabled()) << transient;
        EXPECT_TRUE(control.picPath().Image() == placeholder) << transient;
    }
    exchange->StatusFailure.reset();
    control.Processing();
    EXPECT_EQ(control.picPath().Image().pixelColor(5, 5), QColor(0, 0, 0));
    const Date drawnAt = control.LastRefresh();

    Advance(1);
    Sent("P200");
    Reply(200, "ctx.fillRect(0,0,10,10)");
    exchange->StatusFailure = k7::HttpError(k7::HttpFailure::CannotConnect);
    control.Processing();
    // Drawn without the closing ";", which changes nothing.
    EXPECT_TRUE(control.picPath().Image() ==
                Painted(control, "ctx.fillText('-2147012867-A connection with the server could not be "
                                 "established',10,20)"));
    EXPECT_FALSE(control.tmrPath().Enabled());
    EXPECT_EQ(control.LastRefresh(), drawnAt) << "not a refresh";
    EXPECT_EQ(control.Error(), "");
}

TEST_F(PathRequest, UpdatingIsCentredInAFontOfATwentyFourthOfTheHeight) {
    const std::pair<int, int> heightsAndFontPixels[] = {{120, 10}, {240, 10}, {287, 11}, {600, 24}};
    for (const auto& [height, fontPixels] : heightsAndFontPixels) {
        SCOPED_TRACE(height);
        control.picPath().Clear();
        Size(control, 300, height);
        Advance(60);
        Sent("P100");
        const k7::RasterSurface& picture = control.picPath();
        EXPECT_FLOAT_EQ(picture.Font().Size, static_cast<float>(control.PixelsToTwips(fontPixels) / 20));
        EXPECT_EQ(picture.Font().Name, "Tahoma");
        const QRect ink = InkBounds(picture.Image());
        EXPECT_NEAR(ink.center().x(), 150, 3);
        EXPECT_NEAR(ink.center().y(), height / 2.0, picture.TextHeight("Updating...") / 2);
        EXPECT_TRUE(exchange->Opened.last().contains(QString("&height=%1&").arg(height)));
    }
}

// --- against the simulated plant -----------------------------------------------------------------

TEST(PathOnPlant, DrawsWhatTheDrawingServiceAnswers) {
    k7::Clock::Set(Morning());
    const struct SystemTimeAfter {
        ~SystemTimeAfter() { k7::Clock::UseSystemTime(); }
    } systemTimeAfter;
    k7::plant::PlantService plant;
    plant.Start(0);
    PathControl control;
    auto request = std::make_unique<k7::HttpRequest>(k7::HttpRequest::Kind::Server);
    const k7::HttpRequest& watched = *request;
    control.SetRequestObject(std::move(request));
    Size(control, 320, 240);
    control.setURL(plant.BaseUrl() + k7::plant::DrawingService::Path());
    control.setArea("Assembly");
    control.setProcess("P200");
    control.setStartDate("20240104183000");
    control.setEndDate("20240105063000");

    control.Refresh(false);
    ASSERT_TRUE(
        k7::test::WaitUntil([&] { return plant.RequestCount(k7::plant::DrawingService::Path()) == 1; }));
    ASSERT_TRUE(k7::test::WaitUntil([&] { return watched.readyState() == 4; }));
    control.Processing();
    EXPECT_FALSE(control.tmrPath().Enabled());
    // The area's box along the left edge, the process boxes across the rest, no failure text.
    const QImage image = control.picPath().Image();
    EXPECT_EQ(image.pixelColor(10, 200), QColor(225, 232, 245));
    const QRect ink = InkBounds(image);
    EXPECT_EQ(ink.left(), 8);
    EXPECT_GE(ink.right(), 300);
    EXPECT_EQ(control.Interpreter().TextAlign(), "start") << "the script ran to its end";
}

} // namespace
