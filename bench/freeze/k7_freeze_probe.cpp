// How long does a terminal's event loop ever stand still while one service path stalls?
//
//   k7_freeze_probe [--seconds S] [--stall-ms MS] [--blocking]
//
// Places every control of the catalog on one screen against an in-process simulated plant whose
// processes/prod (ProdCode) answers only after MS milliseconds (60000), refreshes the screen every
// second and watches for S seconds (65: the whole stall and its end) with a 10 ms timer. Prints the
// longest gap between that timer's ticks, how many gaps exceeded 50 ms, and how many reads each
// control finished. --blocking runs the controls in the Blocking mode for comparison.

#include "controls/ControlCatalog.h"
#include "demo/DemoControl.h"
#include "frame/control/ServiceControl.h"
#include "frame/requests/BackgroundRequest_p.h"
#include "plant/PlantService.h"
#include "support/EventLoopWatch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <map>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    int seconds = 65;
    int stallMs = 60000;
    bool blocking = false;
    const QStringList args = application.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--blocking"))
            blocking = true;
        else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = args[++i].toInt();
        else if (args[i] == QLatin1String("--stall-ms") && i + 1 < args.size())
            stallMs = args[++i].toInt();
        else {
            std::fprintf(stderr, "usage: k7_freeze_probe [--seconds S] [--stall-ms MS] [--blocking]\n");
            return 2;
        }
    }

    k7::plant::PlantService plant;
    plant.Start(0);
    plant.InjectFault(QStringLiteral("processes/prod"), {.DelayMs = stallMs});

    std::map<QString, int> reads;
    std::vector<k7::ControlBase*> controls;
    {
        auto window = std::make_unique<QWidget>();
        window->resize(1600, 900);
        int top = 0;
        for (const k7::ControlRegistration& registration : k7::ControlCatalog::All()) {
            k7::ControlBase* control = registration.Create(window.get()).release();
            k7::demo::ConfigureAsDemo(*control, registration.Name, plant.BaseUrl());
            if (auto* service = qobject_cast<k7::ServiceControl*>(control))
                service->SetRequestMode(blocking ? k7::RequestMode::Blocking : k7::RequestMode::NonBlocking);
            control->move(0, top);
            top += control->height() + 8;
            QObject::connect(control, &k7::ControlBase::RequestFinished,
                             [&reads, name = registration.Name](const k7::RequestOutcome&) { ++reads[name]; });
            controls.push_back(control);
        }
        window->show();

        QTimer refresher;
        QObject::connect(&refresher, &QTimer::timeout, [&] {
            for (k7::ControlBase* control : controls)
                if (control->Identity().ControlName != QLatin1String("TimeTracker"))
                    control->Refresh(true);
        });
        EventLoopWatch watch;
        // The first opening is watched too: in the Blocking mode it is where the first freeze is.
        QTimer::singleShot(0, [&] {
            for (k7::ControlBase* control : controls)
                control->Refresh(false);
            refresher.start(1000);
        });
        QTimer::singleShot(seconds * 1000, &application, &QApplication::quit);
        application.exec();

        std::printf("mode %s, %d s watched, processes/prod stalled %d ms\n", blocking ? "Blocking" : "NonBlocking",
                    seconds, stallMs);
        std::printf("longest event-loop block: %lld ms; gaps over 50 ms: %d\n",
                    static_cast<long long>(watch.LongestBlockMs()), watch.GapsOver50Ms());
        for (const auto& [name, count] : reads)
            std::printf("  %-22s %d reads finished\n", qPrintable(name), count);
        std::printf("requests that reached processes/prod: %d\n", plant.RequestCount(QStringLiteral("processes/prod")));

        QElapsedTimer closing;
        closing.start();
        window.reset();
        k7::BackgroundRequest::WaitForAll(-1);
        std::printf("screen closed in %lld ms\n", static_cast<long long>(closing.elapsed()));
    }
    return 0;
}
