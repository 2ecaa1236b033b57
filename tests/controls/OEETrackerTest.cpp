// The OEE chart: its slots and day numbers at several widths, what a load stores and draws for each
// kind of reply, and what a rebuild with fewer slots leaves in place.

#include "support/Printers.h"
#include "support/QueuedRequest.h"

#include "controls/oeetracker/OEETracker.h"
#include "frame/children/FilledRect_p.h"
#include "frame/children/Label.h"
#include "frame/children/Line_p.h"
#include "frame/children/WidgetArray_p.h"

#include <QImage>

#include <gtest/gtest.h>

using k7::OEETracker;
using Slots = std::vector<std::pair<int16_t, uint32_t>>; // stored value and colour, from slot 0
constexpr uint32_t Green = OEETracker::Green, Yellow = OEETracker::Yellow, Red = OEETracker::Red;

namespace {

QString Day(const QString& oee, const QString& green = "85", const QString& yellow = "60") {
    return QString(R"({"Date":"20240301000000","OEE":%1,"OEETargetGreen":%2,"OEETargetYellow":%3})")
        .arg(oee, green, yellow);
}
QString Reply(const QStringList& days) {
    return R"({"status":0,"message":"Success","data":[)" + days.join(',') + "]}";
}
// `count` days whose OEE is 10 + slot (red: below every target), and what they store.
QString Days(int count) {
    QStringList days;
    for (int i = 0; i < count; ++i)
        days << Day(QString::number(10 + i));
    return Reply(days);
}
Slots Loaded(int count) {
    Slots stored;
    for (int i = 0; i < count; ++i)
        stored.emplace_back(10 + i, Red);
    return stored;
}
QString Url(const QString& from, const QString& to) {
    return "GET http://plant/processes/kpis/dashboard?process=P100&datefrom=" + from + "&dateto=" + to +
           "&session=S7&company=ACME";
}
float MarkerTop(double percent) { // of a 60-twips marker on the 3600-twips design height
    return static_cast<float>(3540 - 3360 * percent / 100.0);
}

struct ScriptedChart : QueuedControl<OEETracker> {
    explicit ScriptedChart(int barNum = 30, const QString& startDate = "20240331000000")
        : QueuedControl("http://plant/", {}, Start::Unopened) {
        control.setBarNum(QString::number(barNum));
        control.setStartDate(startDate);
    }
};

// Every day reads 50 %: each marker stands halfway between the 0 line and the top margin. The
// levels' heights do not depend on the extent (golden dump).
TEST(OEETrackerLayout, SlotAndStrideRoundHalvesToEvenAndTheStrideIsAtLeastOne) {
    // width, BarNum, slot, stride of the shown day numbers
    const std::tuple<float, int, int, int> rows[] = {
        {4649.5f, 30, 134, 2}, {4680.5f, 30, 136, 2}, {480, 4, 0, 2}, {480, 6, 0, 4}, {20000, 30, 630, 1}};
    for (const auto& [width, barNum, slot, stride] : rows) {
        SCOPED_TRACE(width);
        ScriptedChart scripted(barNum);
        scripted.replies->Body = Reply(QStringList(31, Day("50")));
        OEETracker& control = scripted.control;
        control.SetExtent(width, 3600);
        control.Refresh(false);
        const float half = control.TextWidth(QString::number(barNum)) / 2;
        for (int i = 0; i <= barNum; ++i) {
            const float x = 480.0f + float(slot) * i;
            EXPECT_FLOAT_EQ(control.lblDay()(i).Left(), x - half) << i;
            EXPECT_EQ(control.lblDay()(i).Visible(), i % stride == 0) << i;
            EXPECT_FLOAT_EQ(control.lineV()(i).X1(), x) << i;
            EXPECT_EQ(control.barOee()(i).Bounds(), (k7::TwipsRect{x + 15, 1860, float(slot), 60})) << i;
        }
        EXPECT_FLOAT_EQ(control.LineH()(4).X2(), width - slot + 15) << "levels end at the last slot";
    }
}

struct LoadRow {
    const char* Case;
    QString Body;
    Slots Expect; // the slots beyond it hold 0 and no colour
    QString ExpectError = "";
    int BarNum = 30;
    QString StartDate = "20240331000000";
    QString ExpectSent = Url("20240229000000", "20240331000000"); // "" when nothing is sent
};

void Load(const LoadRow& row) {
    SCOPED_TRACE(row.Case);
    ScriptedChart scripted(row.BarNum, row.StartDate);
    scripted.replies->Body = row.Body;
    OEETracker& control = scripted.control;
    control.ChartCreation();
    EXPECT_EQ(control.LoadFullDays(control.StartDate()), row.ExpectError.isEmpty());
    EXPECT_FALSE(control.ShowData());
    EXPECT_EQ(std::pair(control.Error(), scripted.replies->Sent.join("")),
              std::pair(row.ExpectError, row.ExpectSent));
    Slots expect = row.Expect;
    expect.resize(size_t(row.BarNum) + 1);
    for (int i = 0; i <= row.BarNum; ++i)
        EXPECT_EQ(
            std::tuple(control.OeeValues()[i], control.barOee()(i).FillColor(), control.barOee()(i).Top()),
            std::tuple(expect[i].first, expect[i].second, MarkerTop(expect[i].first)))
            << i;
}

// Loaded and failed loads alike store days in reply order and draw them unclamped.
TEST(OEETrackerLoad, StoresDaysInReplyOrderAndDrawsThemUnclamped) {
    for (const LoadRow& row :
         {LoadRow{"40 days: the first 31", Days(40), Loaded(31)},
          LoadRow{"31 days, 21 slots", Days(31), Loaded(21), "9-Subscript out of range", 20},
          LoadRow{"dateto as given", Days(1), Loaded(1), "", 30, "20250115",
                  Url("20241215000000", "20250115")},
          LoadRow{"empty StartDate", Days(0), {}, "", 30, "", Url("18991129000000", "")},
          LoadRow{"StartDate no timestamp", Days(31), {}, "13-Type mismatch", 30, "2024XX31", ""},
          LoadRow{"status 1", R"({"status":1,"data":[{"OEE":50}]})", {}},
          LoadRow{"OEE beyond 16 bits", Reply({Day("10"), Day("40000")}), Loaded(1), "6-Overflow"},
          LoadRow{"a day without a yellow target keeps its value",
                  Reply({Day("10"), R"({"OEE":70,"OEETargetGreen":85})"}),
                  {{10, Red}, {70, 0}},
                  "-2147182324-Requested Item by key doesn't exist (case mismatch?)"},
          LoadRow{"colours at equality and below",
                  Reply({Day("85", "85"), Day("84.9", "85"), Day("60"), Day("59"), Day("84.5", "84.5")}),
                  {{85, Green}, {85, Yellow}, {60, Yellow}, {59, Red}, {84, Green}}},
          LoadRow{"halves, text and values beyond 0..100",
                  Reply({Day("85.5", "86"), Day(R"("  72.5 %")", R"("70")"), Day(R"("n/a")"), Day("120"),
                         Day("-10", "85", "-20")}),
                  {{86, Yellow}, {72, Green}, {0, Red}, {120, Green}, {-10, Yellow}}}})
        Load(row);
}

TEST(OEETracker, DrawsDaysInTheirColoursAndARebuildWithFewerSlotsLeavesTheOthersInPlace) {
    ScriptedChart scripted;
    OEETracker& control = scripted.control;
    EXPECT_FALSE(control.ShowData()) << "nothing laid out: nothing drawn";
    scripted.replies->Body = Reply(QStringList{Day("90"), Day("70")} + QStringList(19, Day("30")));
    control.Refresh(false);
    const QImage image = control.grab().toImage();
    const auto pixel = [&](int i) {
        return image.pixelColor(control.barOee()(i).Bounds().ToPixels(control.TwipsPerPixel()).center());
    };
    EXPECT_EQ(std::tuple(pixel(0), pixel(1), pixel(20), pixel(21)),
              std::tuple(QColor(0, 192, 0), QColor(255, 255, 0), QColor(255, 0, 0), QColor(0, 0, 0)));
    EXPECT_EQ(image.pixelColor(200, (3540 - 2 * 825) / 15), QColor(128, 128, 128)) << "the 50 % line";

    const k7::TwipsRect marker20 = control.barOee()(20).Bounds();
    const auto write = [&](const QString& text) {
        return OEETracker::Trap([&] { control.setBarNum(text); });
    };
    EXPECT_EQ(write("32768").value_or(""), "6-Overflow");
    EXPECT_FALSE(write(" 10.5 ").has_value());
    EXPECT_EQ(control.BarNum(), "10") << "a 16-bit integer, halves to even";
    control.SetExtent(9000, 3600);
    control.Refresh(false);
    EXPECT_EQ(std::pair(control.barOee()(20).Bounds(), control.barOee()(20).FillColor()),
              std::pair(marker20, Red));
    EXPECT_EQ(control.barOee()(10).Width(), 775);

    QString error = "untouched";
    scripted.replies->Body = Reply({Day("50", "40")});
    EXPECT_TRUE(control.LoadOneDay("20240301000000", "20240302000000", 3, error));
    EXPECT_EQ(
        std::tuple(control.barOee()(3).Top(), control.barOee()(3).FillColor(), control.OeeValues()[3], error),
        std::tuple(MarkerTop(50), Green, int16_t(30), QString("untouched")))
        << "drawn, not stored";
    EXPECT_FALSE(control.LoadOneDay("a", "b", 99, error));
    EXPECT_EQ(error, "340-Control array element '99' doesn't exist") << "only through its argument";
    EXPECT_EQ(control.Error(), "9-Subscript out of range") << "from the 11-slot refresh, not from LoadOneDay";
}

} // namespace
