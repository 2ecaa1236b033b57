// The trend charts' own cost, network excluded: every request is answered at once by a canned
// request object handed in through the control's request factory, so what is measured is the
// REST client's bookkeeping, the parse, the judgement and the widget updates.
//
//   OEERefresh/OEETracker/31    Refresh(False) of an OEETracker with BarNum 30 on a 31-day reply:
//                               ChartCreation (every slot, label and line placed), LoadFullDays,
//                               ShowData with its repaint (the control is shown on the offscreen
//                               platform, so the repaint paints every child).
//   OEERefresh/JsonBagParse/31  JsonBag parsing the same reply, nothing else.
//   Tick/TimeTracker            one Timer tick of a loaded, shown TimeTracker with 20 bars:
//                               reload, current bar grown, clock text and colour, repaint.
//   Tick/JsonBagParse           JsonBag parsing the same cycle reply.
//
// The clock is frozen so every tick computes the same elapsed time.

#include "K7WidgetBench.h"
#include "controls/oeetracker/OEETracker.h"
#include "controls/timetracker/TimeTracker.h"
#include "core/Clock_p.h"
#include "core/Common_p.h"
#include "frame/children/FilledRect_p.h"
#include "frame/children/Label.h"
#include "frame/children/Timer_p.h"
#include "frame/children/WidgetArray_p.h"
#include "json/JsonBag.h"
#include "service/HttpRequestObject.h"

#include <QApplication>
#include <QString>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString kNow = QStringLiteral("20240331120000");

// 31 days as the plant sends them: date, OEE with one decimal and the two targets.
const QString& DashboardReply() {
    static const QString reply = [] {
        QString text = QStringLiteral(R"({"status":0,"data":[)");
        for (int day = 1; day <= 31; ++day) {
            if (day > 1)
                text += QLatin1Char(',');
            text += QStringLiteral(R"({"Date":"202403%1000000","OEE":%2.%3,"OEETargetGreen":85,"OEETargetYellow":60})")
                        .arg(day, 2, 10, QLatin1Char('0'))
                        .arg(40 + day * 17 % 55)
                        .arg(day % 10);
        }
        return text + QStringLiteral(R"(],"message":"Success"})");
    }();
    return reply;
}

const QString& CycleReply() {
    static const QString reply =
        QStringLiteral(R"({"status":0,"data":[{"CycleT":60,"Val":7,"DateTime":"20240331115930"}],"message":"Success"})");
    return reply;
}

template <class Control> void Connect(Control& control, const QString& reply) {
    control.show();
    QApplication::processEvents();
    control.SetRequestFactory(k7::bench::CannedRequest::Factory(reply));
    control.setAPIHost(QStringLiteral("http://plant/"));
    control.setProcess(QStringLiteral("P100"));
    control.setSession(QStringLiteral("BENCH"));
    control.setCompany(QStringLiteral("ORV"));
}

void ParseJsonBag(benchmark::State& state, const QString& reply) {
    for (auto _ : state) {
        auto document = k7::JsonBag::Create();
        document->SetJSON(reply);
        benchmark::DoNotOptimize(document->Count());
    }
}

void RefreshOEETracker(benchmark::State& state) {
    k7::OEETracker control;
    Connect(control, DashboardReply());
    control.setBarNum(QStringLiteral("30"));
    control.setStartDate(kNow);
    for (auto _ : state)
        control.Refresh(false);
    if (!control.Error().isEmpty() || control.OeeValues().at(30) == 0)
        state.SkipWithError("the refresh did not load the month");
}

void ParseDashboard(benchmark::State& state) {
    ParseJsonBag(state, DashboardReply());
}

void TickTimeTracker(benchmark::State& state) {
    k7::TimeTracker control;
    Connect(control, CycleReply());
    control.setBars(20);
    control.Refresh(false);
    control.Reset(); // ticks come from the loop below only
    for (auto _ : state)
        control.timer().Fire();
    if (control.lblTime().Caption() != QStringLiteral("00:30") || control.barTime()(19).Height() <= 0)
        state.SkipWithError("the tick did not grow the current bar");
}

void ParseCycle(benchmark::State& state) {
    ParseJsonBag(state, CycleReply());
}

} // namespace

BENCHMARK(RefreshOEETracker)->Name("OEERefresh/OEETracker/31");
BENCHMARK(ParseDashboard)->Name("OEERefresh/JsonBagParse/31");
BENCHMARK(TickTimeTracker)->Name("Tick/TimeTracker");
BENCHMARK(ParseCycle)->Name("Tick/JsonBagParse");

int main(int argc, char** argv) {
    k7::Clock::Set(k7::Common::ToDate(kNow));
    return k7::bench::WidgetMain(argc, argv, "OEETracker,TimeTracker");
}
