// The FAI screen: which pending FAI and downtimes it shows, what a press patches and when it
// reloads, scripted and against the simulated plant. Its layout at other extents: ExtentTest.

#include "support/Checks.h"
#include "support/Printers.h"
#include "support/QueuedRequest.h"

#include "controls/faijustifier/FaiJustifier.h"
#include "core/Clock_p.h"
#include "core/Common_p.h"
#include "core/Date.h"
#include "frame/children/CommandButton.h"
#include "frame/children/Label.h"
#include "plant/PlantModel.h"
#include "plant/PlantService.h"
#include "plant/PlantTime.h"

#include <gtest/gtest.h>

using k7::FaiJustifier;

namespace {

// The visible FAI captions | lblTxt | the visible buttons, each of which carries its caption as tag.
QString Shown(const FaiJustifier& control) {
    using k7::test::VisibleCaptions;
    const auto button = [&](int i) -> const auto& {
        return control.btnJust(i);
    };
    const auto tag = [](const auto& shown) { return shown.Tag(); };
    const QStringList buttons = VisibleCaptions(control.btnJustUBound() + 1, button);
    EXPECT_EQ(VisibleCaptions(control.btnJustUBound() + 1, button, tag), buttons);
    const QStringList row = VisibleCaptions(
        5, [&](int i) -> const auto& { return control.lblFai(i); });
    return row.join(",") + " | " + control.lblTxt().Caption() + " | " + buttons.join(",");
}

const QString kNone = " | No Downtimes Available | ";
const QString kPlease = " | Please Enter Downtime Reason | ";
const QString kExampleRow = "FAI,PENDING,08:30:00,09:15:00,2700" + kPlease;
const QString kFaiUrl = "GET http://plant/statuses/fai?process=P100&session=S7&company=ACME";
const QString kTopUrl = "GET http://plant/statuses/top?process=P100&session=S7&company=ACME";
const QString kFaiList =
    R"({"status":0,"data":[{"id_tu":"SETUP"},)"
    R"({"id_tu":"FAI","machdate":"X20240131083000","end":"20240131091500","secs":2700,"id":"77"}]})";
const QString kTwoDowntimes = R"({"status":0,"data":[{"Id":"5"},{"Id":"9"}]})";
const QString kUnknownName = "-2147182324-Requested Item by key doesn't exist (case mismatch?)";

struct ScriptedFai : QueuedControl<FaiJustifier> {
    explicit ScriptedFai(const QString& downtimes = kTwoDowntimes)
        : QueuedControl("http://plant/", {kFaiList, downtimes}) {}
};

// Where the fields and buttons go at other extents: ExtentTest. A resize shows the FAI it holds
// again, for the new extent, without a request.
TEST(FaiJustifierLayout, AResizeShowsTheHeldFaiWithoutARequest) {
    ScriptedFai scripted;
    scripted.control.SetExtent(2000, 600);
    EXPECT_EQ(Shown(scripted.control), kExampleRow + "5,9");
    EXPECT_EQ(scripted.replies->Sent, QStringList{});
}

// A reload forgets what was shown (four downtimes), takes the first entry of kind "FAI" and only
// then asks for the downtimes, whose list is not judged.
TEST(FaiJustifierLoad, ShowsThePendingFaiWithItsDowntimesOrNone) {
    struct {
        QString Fai, Downtimes, Shown, Error;
        int Requests;
    } const rows[] = {
        {kFaiList, kTwoDowntimes, kExampleRow + "5,9", "", 2},
        {R"({"status":0,"data":[{"id_tu":"FAI","machdate":"20240131235959","end":"20240201","secs":"1","id":5}]})",
         R"({"data":[{"Id":14}]})", "FAI,PENDING,23:59:59,00:00:00,1" + kPlease + "14", "", 2},
        {R"({"status":0,"data":[{"id_tu":"fai","machdate":"","end":"","secs":1,"id":"1"}]})", kTwoDowntimes,
         kNone, "", 1},
        {R"({"status":1,"data":[],"message":"no"})", kTwoDowntimes, kNone, "", 1},
        {kFaiList,
         R"({"data":[{"Id":1},{"Id":2},{"Id":3},{"Id":4},{"Id":5},{"Id":6},{"Id":7},{"Id":8},{"Id":9}]})",
         kExampleRow + "1,2,3,4,5,6,7,8", "", 2},
        {kFaiList, R"({"status":0,"data":[{"Id":"5"},{"id":"9"}]})", kExampleRow + "5", kUnknownName, 2},
        {R"({"status":0,"data":[{"id_tu":"FAI","machdate":"X20240131083000","secs":1,"id":"1"}]})",
         kTwoDowntimes, kNone, kUnknownName, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Fai.toStdString() + " " + row.Downtimes.toStdString());
        ScriptedFai scripted(R"({"status":0,"data":[{"Id":"1"},{"Id":"2"},{"Id":"3"},{"Id":"4"}]})");
        scripted.replies->Queue(row.Fai);
        scripted.replies->Queue(row.Downtimes);
        EXPECT_FALSE(scripted.control.Refresh(true));
        EXPECT_EQ(Shown(scripted.control), row.Shown);
        EXPECT_EQ(scripted.control.Error(), row.Error);
        EXPECT_EQ(scripted.replies->Sent, QStringList({kFaiUrl, kTopUrl}).mid(0, row.Requests));
    }
}

// A press patches the FAI with the pressed downtime and reloads when the message is "Success",
// whatever the status.
TEST(FaiJustifierJustify, PatchesTheFaiWithThePressedDowntimeAndReloadsOnlyOnSuccess) {
    const std::tuple<QString, bool, QString> rows[] = {{R"({"status":0,"message":"Success"})", true, ""},
                                                       {R"({"status":2,"message":"Success"})", true, ""},
                                                       {R"({"status":0})", false, kUnknownName}};
    for (const auto& [reply, reload, error] : rows) {
        SCOPED_TRACE(reply.toStdString());
        ScriptedFai scripted;
        scripted.replies->Queue(reply);
        scripted.replies->Queue(R"({"status":0,"data":[{"id_tu":"RUN"}]})");
        scripted.control.btnJust(1).click();
        const QString patch = "PATCH http://plant/statuses/77?id_tu=9&session=S7&company=ACME";
        EXPECT_EQ(scripted.replies->Sent, reload ? QStringList({patch, kFaiUrl}) : QStringList{patch});
        EXPECT_EQ(Shown(scripted.control), reload ? kNone : kExampleRow + "5,9");
        EXPECT_EQ(scripted.control.Error(), error);
    }
}

TEST(FaiJustifierOnPlant, ShowsThePendingFaiAndJustifyingItClearsIt) {
    k7::plant::PlantService plant;
    plant.Start(0);
    QueuedControl<FaiJustifier> onPlant(plant.BaseUrl(), {});
    std::optional<k7::plant::PendingFai> fai;
    plant.WithModel([&](k7::plant::PlantModel& model) { fai = model.Fai("P100", k7::Clock::Now()); });
    ASSERT_TRUE(fai.has_value());
    const auto time = [](int64_t seconds) {
        return k7::Dates::FormatHHNNSS(k7::Common::ToDate(k7::plant::PlantTime::Stamp(seconds)));
    };
    EXPECT_EQ(Shown(onPlant.control), "FAI,PENDING," + time(fai->Start) + "," + time(fai->End()) + "," +
                                          QString::number(fai->Seconds) + kPlease + "5,9,11,14");
    onPlant.control.btnJust(1).click();
    std::vector<k7::plant::Justification> justified;
    plant.WithModel([&](k7::plant::PlantModel& model) { justified = model.Justifications(); });
    ASSERT_EQ(justified.size(), 1u);
    EXPECT_EQ(justified[0].FaiId, fai->Id);
    EXPECT_EQ(justified[0].Downtime, "9");
    EXPECT_EQ(Shown(onPlant.control), kNone);
    EXPECT_EQ(onPlant.control.Error(), "");
}

} // namespace
