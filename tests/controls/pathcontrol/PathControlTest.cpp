// PathControl's requests: the query, the period it sends, when it sends, what it draws for each
// outcome, and the 60 seconds of fake time it waits; the whole way against the simulated plant's
// drawing service over real HTTP on 127.0.0.1. Its canvas interpreter: CanvasTest.

#include "support/Checks.h"
#include "support/InkBounds.h"
#include "support/Printers.h"

#include "PathPictures.h"

#include "controls/pathcontrol/CanvasInterpreter_p.h"
#include "controls/pathcontrol/PathControl.h"
#include "controls/pathcontrol/RasterSurface_p.h"
#include "core/Clock_p.h"
#include "core/RuntimeError.h"
#include "frame/children/Timer_p.h"
#include "frame/requests/ConnectionGroupBinding_p.h"
#include "plant/DrawingService.h"
#include "plant/PlantService.h"
#include "service/ConnectionGroup_p.h"
#include "service/HttpErrors_p.h"
#include "service/HttpRequest_p.h"

#include <QImage>

#include <gtest/gtest.h>

#include <optional>

namespace {

using k7::Date;
using k7::PathControl;
using k7::RuntimeError;
using k7::test::Message;
using k7::test::Painted;
using k7::test::Size;

// The frozen clock of the tests: 5 January 2024, 06:30.
Date Morning() {
    return Date(k7::Dates::DateSerial(2024, 1, 5).Serial + k7::Dates::TimeSerial(6, 30, 0));
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
    const k7::test::FrozenClock clock{Morning()};
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
    ::testing::Values(OutcomeRow{"Reply", 200, 3, kBody, true},
                      // Other statuses draw their text; 12002 is the request layer's own time-out.
                      OutcomeRow{"NotFound", 404, 3, Message("404: Not Found"), true},
                      OutcomeRow{"RequestTimeOut", 12002, 3, Message("12002: Time out"), true},
                      OutcomeRow{"OtherStatus", 403, 3, Message("403: Error"), true},
                      // Sixty seconds of clock time; a reply that is there but late is not drawn either.
                      OutcomeRow{"NoReplyYet", 0, 59.4, "", false},
                      OutcomeRow{"NoReplyInTime", 0, 60, kTimeOut, true},
                      OutcomeRow{"LateReply", 200, 61, kTimeOut, true},
                      // A request that cannot start, or whose reply cannot be read, is drawn with its failure
                      // text; the transient ones are polled again at the next tick.
                      OutcomeRow{"NotSent", 0, 0, Message("-2147012891-The URL is invalid"), false,
                                 k7::HttpError(k7::HttpFailure::InvalidUrl)},
                      OutcomeRow{"NoConnection", 200, 3,
                                 Message("-2147012867-A connection with the server could not be established"),
                                 false, std::nullopt, k7::HttpError(k7::HttpFailure::CannotConnect)},
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

// The path view's own request goes over the connection group its host put the control in.
TEST(PathOnPlant, DrawsWhatThePlantsDrawingServiceAnswersOverItsConnectionGroup) {
    const k7::test::FrozenClock clock{Morning()};
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
    // Reported before its handler runs, in the same tick: once the status is in, so is the picture.
    ASSERT_TRUE(k7::test::WaitUntil([&] { return status != -1; }));
    EXPECT_EQ(status, 200);
    EXPECT_EQ(group->ConnectionsOpened(), 1);
    // The area's box along the left edge, the process boxes across the rest, no failure text.
    const QImage image = path.picPath().Image();
    EXPECT_EQ(image.pixelColor(10, 200), QColor(225, 232, 245));
    const QRect ink = InkBounds(image);
    EXPECT_EQ(ink.left(), 8);
    EXPECT_GE(ink.right(), 300);
    EXPECT_EQ(path.Interpreter().TextAlign(), "start") << "the script ran to its end";
}

} // namespace
