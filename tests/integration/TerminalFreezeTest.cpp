#include "controls/ControlCatalog.h"
#include "demo/DemoControl.h"
#include "frame/control/Description.h"
#include "frame/control/ServiceControl.h"
#include "frame/requests/BackgroundRequest_p.h"
#include "plant/PlantService.h"
#include "support/Checks.h"
#include "support/EventLoopWatch.h"
#include "support/RecordingHost.h"
#include "json/JsonBag.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>
#include <memory>

using k7::ControlBase;
using k7::ControlCatalog;
using k7::RequestMode;
using k7::test::WaitUntil;

namespace {

// The path of the control whose service stalls, and for how long.
const QString kStalledControl = QStringLiteral("ProdCode");
const QString kStalledPath = QStringLiteral("processes/prod");
constexpr int kStallMs = 60000;
// How long the stall is watched, and how often the terminal refreshes its controls meanwhile.
constexpr int kWindowMs = 7000;
constexpr int kRefreshMs = 1000;

// The catalog's control `name` in `window`, set up as the demo sets it up against the plant at
// `plant`, with a terminal's NonBlocking requests.
ControlBase* TerminalControl(const QString& name, QWidget& window, const QString& plant) {
    ControlBase* control = ControlCatalog::Find(name)->Create(&window).release(); // the window owns it
    k7::demo::ConfigureAsDemo(*control, name, plant);
    if (auto* service = qobject_cast<k7::ServiceControl*>(control))
        service->SetRequestMode(RequestMode::NonBlocking);
    return control;
}

// A terminal's screen of every control in the catalog, NonBlocking, against the simulated plant
// with one path stalled for a minute. While it stalls, the event loop keeps turning, the other
// controls keep refreshing (the cycle clock on its own timer) and the stalled control sends nothing
// more.
TEST(TerminalFreeze, OneStalledPathFreezesNothingElse) {
    k7::plant::PlantService plant;
    plant.Start(0);
    plant.InjectFault(kStalledPath, {.DelayMs = kStallMs});
    RecordingHost operatorAtTheScreen; // answers the scrap screen's quantity prompt
    operatorAtTheScreen.Answer = QStringLiteral("1");

    auto window = std::make_unique<QWidget>();
    window->resize(1600, 900);
    std::map<QString, ControlBase*> controls;
    std::map<QString, int> reads; // RequestFinished per control
    int top = 0;
    for (const k7::ControlRegistration& registration : ControlCatalog::All()) {
        ControlBase* control = TerminalControl(registration.Name, *window, plant.BaseUrl());
        control->move(0, top);
        top += control->height() + 8;
        QObject::connect(control, &ControlBase::RequestFinished,
                         [&reads, name = registration.Name](const k7::RequestOutcome&) { ++reads[name]; });
        controls[registration.Name] = control;
    }
    window->show();
    for (const auto& [name, control] : controls)
        control->Refresh(false);

    // Controls that load by themselves on a terminal's schedule; the clock ticks on its own.
    const QStringList refreshed = {"ProdCode", "OEETracker", "FaiJustifier", "ProductionPeriodTable",
                                   "PathControl"};
    const QStringList watched = {"OEETracker", "FaiJustifier", "ProductionPeriodTable", "PathControl",
                                 "TimeTracker"};
    const auto read = [&](const QString& name) { return reads[name] > 0; };
    WaitUntil([&] { return std::all_of(watched.begin(), watched.end(), read); });
    for (const QString& name : watched)
        ASSERT_GT(reads[name], 0) << name.toStdString() << " never finished its first read";
    auto* stalled = static_cast<k7::ServiceControl*>(controls[kStalledControl]);
    ASSERT_TRUE(stalled->RequestInFlight());

    // The watch: a 10 ms timer measures how long the event loop is ever kept from turning.
    std::map<QString, int> readsBefore = reads;
    QTimer refresher;
    QObject::connect(&refresher, &QTimer::timeout, [&] {
        for (const QString& name : refreshed)
            controls[name]->Refresh(true);
    });
    EventLoopWatch watch;
    refresher.start(kRefreshMs);
    WaitUntil([] { return false; }, std::chrono::milliseconds(kWindowMs)); // the watch, all of it
    watch.Stop();
    refresher.stop();

    // The aim is well under 50 ms; the bound leaves room for a loaded machine.
    EXPECT_LT(watch.LongestBlockMs(), 250) << "the longest the event loop stood still";
    // Refreshed every second for seven: at least three of them came back, whatever the load.
    for (const QString& name : watched)
        EXPECT_GE(reads[name] - readsBefore[name], 3) << name.toStdString();
    // A press on another control is answered while the stall goes on: the press goes through the
    // event queue, as an operator's does, and its prompt is up within 100 ms (the bound leaves
    // room for a loaded machine).
    controls["ScrapScreen"]->SetHost(&operatorAtTheScreen);
    auto* cause = dynamic_cast<QWidget*>(controls["ScrapScreen"]->FindChild(QStringLiteral("btnScrap"), 0));
    ASSERT_NE(cause, nullptr);
    const QPointF centre = QRectF(cause->rect()).center();
    QElapsedTimer pressed;
    pressed.start();
    for (const auto& [type, held] : {std::pair(QEvent::MouseButtonPress, Qt::LeftButton),
                                     std::pair(QEvent::MouseButtonRelease, Qt::NoButton)})
        QCoreApplication::postEvent(cause, new QMouseEvent(type, centre, cause->mapToGlobal(centre),
                                                           Qt::LeftButton, held, Qt::NoModifier));
    WaitUntil([&] { return !operatorAtTheScreen.Prompts.isEmpty(); }, std::chrono::seconds(5));
    EXPECT_EQ(operatorAtTheScreen.Prompts.size(), 1);
    EXPECT_LT(pressed.elapsed(), 250);

    // Refreshed seven times, the stalled control still has its first request out and sent no other.
    EXPECT_TRUE(stalled->RequestInFlight());
    EXPECT_EQ(plant.RequestCount(kStalledPath), 1);
    EXPECT_EQ(reads[kStalledControl], 0);

    // Closing the screen ends the stalled request with it (how soon is the request modes' own test).
    window.reset();
    EXPECT_TRUE(k7::BackgroundRequest::WaitForAll(30000));
}

// Every child as a host's dump describes it: what the operator is shown, as text.
QString ChildrenDump(const ControlBase& control) {
    k7::Description document(k7::JsonBag::Create());
    k7::Description children = document.Array(QStringLiteral("children"));
    for (const auto& child : control.Children()) {
        k7::Description entry = children.Append();
        entry.Field(QStringLiteral("name"), k7::Variant(child->Name()));
        child->Describe(entry);
    }
    return document.Bag()->JSON();
}

// A grab of `control` with the rows `band` leaves out painted over.
QImage Grab(ControlBase& control, std::pair<int, int> band) {
    QImage image = control.grab().toImage();
    QPainter(&image).fillRect(0, band.first, image.width(), band.second - band.first, Qt::magenta);
    return image;
}

struct HeldRow {
    QString Control;
    // Makes the control's next Refresh(False) one that rebuilds and loads (the cycle clock loads
    // only when Initializer is False, and its own ticks must be still for the picture to be).
    std::function<void(ControlBase&)> Prepare{};
    // The path view draws its "Updating..." over the picture it keeps: those rows may change.
    bool Placeholder = false;
};

// A refresh whose reply is slow leaves every control showing what it showed before, in a grab and
// in its children's description taken while the read is out; the reply then settles it.
TEST(ReadsOut, EveryControlKeepsItsFiguresWhileARefreshIsOut) {
    k7::plant::PlantService plant;
    plant.Start(0);
    const auto stopClock = [](ControlBase& control) {
        QMetaObject::invokeMethod(&control, "Reset");
        control.Assign("Initializer", k7::Variant(false));
    };
    std::vector<HeldRow> rows = {{"TimeTracker", stopClock}, {"PathControl", {}, true}};
    for (const char* plain :
         {"ProdCode", "OEETracker", "FaiJustifier", "ScrapScreen", "ProductionPeriodTable"})
        rows.push_back({plain});
    for (const HeldRow& row : rows) {
        SCOPED_TRACE(row.Control.toStdString());
        plant.ClearFaults();
        QWidget window;
        ControlBase* control = TerminalControl(row.Control, window, plant.BaseUrl());
        window.resize(control->size());
        window.show();
        int settled = 0;
        QObject::connect(control, &ControlBase::ReadSettled,
                         [&settled](const k7::RequestOutcome&) { ++settled; });

        control->Refresh(false);
        ASSERT_TRUE(WaitUntil([&] { return settled > 0 && !control->ReadInFlight(); }));
        control->Refresh(true); // the scrap screen shows the causes it loaded when opened again
        if (row.Prepare)
            row.Prepare(*control);
        ASSERT_TRUE(WaitUntil([&] { return !control->ReadInFlight(); }));
        const int band = control->height() / 2;
        const std::pair<int, int> placeholder =
            row.Placeholder ? std::pair(band - 30, band + 30) : std::pair(0, 0);
        const QImage before = Grab(*control, placeholder);
        const QString described = ChildrenDump(*control);

        plant.InjectFault(QStringLiteral("*"), {.DelayMs = 1500});
        const int settledBefore = settled;
        control->Refresh(false);
        ASSERT_TRUE(control->ReadInFlight());
        WaitUntil([] { return false; }, std::chrono::milliseconds(200));
        ASSERT_TRUE(control->ReadInFlight());
        EXPECT_TRUE(Grab(*control, placeholder) == before) << "the picture changed while the read was out";
        if (!row.Placeholder) {
            EXPECT_EQ(ChildrenDump(*control), described);
        }

        EXPECT_TRUE(WaitUntil([&] { return settled > settledBefore && !control->ReadInFlight(); },
                              std::chrono::seconds(10)));
    }
}

} // namespace
