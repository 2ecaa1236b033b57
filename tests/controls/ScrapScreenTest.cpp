// The scrap screen: which cause lists replace the ones it shows, what a press posts and when it
// reloads, and how the strip and the causes are drawn. Its layout at other extents: ExtentTest; a
// press against the plant and the journal: WriteOutcomeTest.

#include "support/Checks.h"
#include "support/Printers.h"
#include "support/QueuedRequest.h"

#include "controls/scrapscreen/ScrapScreen.h"
#include "frame/children/CommandButton.h"
#include "frame/drawing/Colors.h"

#include <QImage>

#include <gtest/gtest.h>

using k7::ScrapScreen;

namespace {

QStringList VisibleCauses(const ScrapScreen& control) {
    return k7::test::VisibleCaptions(
        control.btnScrapUBound() + 1, [&](int k) -> const auto& { return control.btnScrap(k); });
}

const QString kCausesUrl = "GET http://plant/processes/P100/scrapcauses/top?session=S7&company=ACME";
const QString kOk = R"({"status":0,"message":"Success","data":)";
const QString kTwoCauses = kOk + R"([{"Scrap":"1-A"},{"Scrap":"2-B"}]})";
const QString kUnknownName = "-2147182324-Requested Item by key doesn't exist (case mismatch?)";
using ScriptedScrap = QueuedControl<ScrapScreen>;

// Only a complete list accepted by both status and message replaces the held causes ("40");
// Refresh(True) sends nothing. Against the plant: WriteOutcomeTest.
TEST(ScrapScreenCauses, AcceptedListsReplaceTheCausesEverythingElseKeepsThem) {
    const std::tuple<QString, QStringList, QString> rows[] = {
        {kOk + R"([{"Scrap":"12-Out-of-tol"},{"Scrap":7},{"Scrap":"3"},{"Scrap":"4"},{"Scrap":"5"}]})",
         {"12", "7", "3", "4"},
         ""},
        {R"({"status":0,"message":"success","data":[{"Scrap":"1-A"}]})", {"40"}, ""},
        {R"({"status":1,"message":"Success","data":[{"Scrap":"1-A"}]})", {"40"}, ""},
        {kOk + "null}", {"40"}, ""},
        {kOk + "[]}", {"40"}, "9-Subscript out of range"},
        {kOk + R"([{"Scrap":"1-A"},{"X":1}]})", {"40"}, kUnknownName},
        {R"({"status":1,"data":[]})", {"40"}, kUnknownName}};
    for (const auto& [body, shown, error] : rows) {
        SCOPED_TRACE(body.toStdString());
        ScriptedScrap scripted("http://plant", {kOk + R"([{"Scrap":"40-Old"}]})", body});
        EXPECT_EQ(scripted.control.LoadData(), error.isEmpty());
        EXPECT_EQ(VisibleCauses(scripted.control), QStringList{"40"}) << "LoadData shows nothing";
        scripted.control.Refresh(true);
        EXPECT_EQ(VisibleCauses(scripted.control), shown);
        EXPECT_EQ(scripted.control.Error(), error);
        EXPECT_EQ(scripted.replies->Sent, QStringList{kCausesUrl});
    }
}

// A press asks for the quantity (not without an APIHost), posts it for the pressed button's tag
// (RefreshBtn's on button 0) and reloads only on "Success", which puts the list's captions back.
TEST(ScrapScreenPress, PostsTheAnsweredQuantityForTheCauseAndReloadsOnSuccess) {
    const QString success = R"({"status":0,"message":"Success"})";
    // button pressed, answer, post reply, quantity posted, requests sent, Error, APIHost
    const std::tuple<int, QString, QString, QString, int, QString, QString> rows[] = {
        {1, "3.5", success, "4", 2, "", "http://plant"},
        {1, "12abc", success, "12", 2, "", "http://plant"},
        {1, "", success, "0", 2, "", "http://plant"},
        {1, "32768", success, "", 0, "6-Overflow", "http://plant"},
        {0, "1", R"({"status":0,"message":"success"})", "1", 1, "", "http://plant"},
        {1, "1", success, "", 0, "", ""}};
    for (const auto& [button, answer, reply, quantity, requests, error, apiHost] : rows) {
        SCOPED_TRACE(answer.toStdString() + " " + reply.toStdString() + " " + apiHost.toStdString());
        ScriptedScrap scripted("http://plant",
                               {kTwoCauses, reply, kOk + R"([{"Scrap":"9-N"},{"Scrap":"3"}]})"});
        scripted.control.RefreshBtn("35", "Burr");
        scripted.control.setAPIHost(apiHost);
        scripted.host.Answer = answer;
        scripted.control.btnScrap(button).click();
        const QString post =
            "POST http://plant/results?process=P100&result=%1&session=S7&company=ACME&quantityA=";
        EXPECT_EQ(scripted.replies->Sent,
                  QStringList({post.arg(button == 0 ? "35" : "2") + quantity, kCausesUrl}).mid(0, requests));
        EXPECT_EQ(scripted.host.Prompts, QStringList{"Insert Scrap Quantity|Scrap|1"}.mid(apiHost.isEmpty()));
        EXPECT_EQ(VisibleCauses(scripted.control),
                  requests == 2 ? QStringList({"9", "3"}) : QStringList({"Burr", "2"}));
        EXPECT_EQ(scripted.control.Error(), error);
    }
}

TEST(ScrapScreenPress, AYellowStripRaisesDSOncePerPressAboveHighlightedCausesOnBlack) {
    ScriptedScrap scripted("http://plant", {kOk + R"([{"Scrap":"12-Broken"}]})"});
    const QImage image = scripted.control.grab().toImage();
    ASSERT_EQ(image.size(), QSize(394, 172));
    const auto at = [&](const QRect& rect) { return image.pixelColor(rect.topLeft() + QPoint(4, 4)); };
    EXPECT_EQ(at(scripted.control.btnAllScrap().geometry()), QColor(255, 255, 0));
    EXPECT_EQ(at(scripted.control.btnScrap(0).geometry()),
              k7::Colors::ToQColor(k7::Colors::Highlight, scripted.control.palette()));
    EXPECT_EQ(at(scripted.control.btnScrap(3).geometry()), QColor(0, 0, 0)) << "hidden";
    QStringList raised;
    QObject::connect(&scripted.control, &ScrapScreen::RemoteControl, [&](QString& message) {
        raised << message;
        message = "changed by the host";
    });
    scripted.control.btnAllScrap().click();
    scripted.control.btnAllScrap().click();
    EXPECT_EQ(raised, QStringList({"[DS]", "[DS]"})) << "the host's change is not kept";
    EXPECT_EQ(scripted.replies->Sent, QStringList{});
}

// The contract round-trips in the table's orders; these are the orders themselves.
TEST(ScrapScreenPersistence, APIHostIsNotSavedAndTheIdentifiersHaveTheirOwnOrders) {
    QStringList written, read;
    for (const k7::PropertyDefinition* row : ScrapScreen::ClassProperties().WriteSequence())
        written << row->PersistenceName;
    for (const k7::PropertyDefinition* row : ScrapScreen::ClassProperties().ReadSequence())
        read << row->PersistenceName;
    EXPECT_EQ(written, QStringList({"Session", "Company", "Process"}));
    EXPECT_EQ(read, QStringList({"Company", "Session", "Process"}));
}

} // namespace
