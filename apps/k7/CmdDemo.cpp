#include "Commands.h"

#include "AccessibilityReport.h"
#include "FormDefaults.h"
#include "HeadlessRun.h"
#include "HostPlatform.h"
#include "PropertyBinding.h"
#include "TerminalScreen.h"
#include "WidgetCommand.h"

#include "core/Clock_p.h"
#include "core/RuntimeError.h"
#include "demo/DemoPlacement.h"
#include "frame/control/ControlBase.h"
#include "frame/requests/WriteJournal.h"
#include "json/JsonBag.h"
#include "plant/PlantService.h"

#include <QApplication>
#include <QScopeGuard>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace k7::cli {

namespace {

const char* const kDemoHelp =
    "usage: k7 demo [--seconds N] [--out DIR] [--interval MS] [--journal FILE] [--accessibility]\n"
    "\n"
    "Starts the simulated plant on a free 127.0.0.1 port and opens a terminal screen whose\n"
    "controls are wired to it, refreshed every few seconds. With a display it runs until the\n"
    "window is closed. Without one it renders headless for N seconds (default 4) and writes\n"
    "screenshots into DIR (default a fresh directory under the system's temporary directory),\n"
    "printing each path.\n"
    "\n"
    "  --seconds N     headless run time in seconds (default 4)\n"
    "  --out DIR       where headless screenshots go (created when missing)\n"
    "  --interval MS   refresh period in milliseconds (default 2000)\n"
    "  --journal FILE  record every write (scrap booking, justification) in the write journal\n"
    "                  FILE before it is sent, with its outcome (see k7 journal)\n"
    "  --accessibility opens the screen, prints its accessibility tree (role, name, rect,\n"
    "                  focusable, visible, children) and its Tab order as JSON, and exits\n";

struct DemoOptions {
    double Seconds = 4;
    QString Out;
    int IntervalMs = 2000;
    QString Journal;
    bool Accessibility = false;
};

DemoOptions ParseOptions(const QStringList& args) {
    DemoOptions options;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--accessibility")) {
            options.Accessibility = true;
            continue;
        }
        if (arg != QLatin1String("--seconds") && arg != QLatin1String("--out") &&
            arg != QLatin1String("--interval") && arg != QLatin1String("--journal"))
            throw UsageError(QStringLiteral("unknown option %1").arg(arg).toStdString());
        if (i + 1 >= args.size())
            throw UsageError(QStringLiteral("%1 needs a value").arg(arg).toStdString());
        const QString value = args[++i];
        bool ok = false;
        if (arg == QLatin1String("--seconds")) {
            options.Seconds = value.toDouble(&ok);
            ok = ok && options.Seconds > 0;
        } else if (arg == QLatin1String("--out")) {
            options.Out = value;
            ok = !value.isEmpty();
        } else if (arg == QLatin1String("--journal")) {
            options.Journal = value;
            ok = !value.isEmpty();
        } else {
            options.IntervalMs = value.toInt(&ok);
            ok = ok && options.IntervalMs > 0;
        }
        if (!ok)
            throw UsageError(
                QStringLiteral("bad value '%1' for %2").arg(value, arg).toStdString());
    }
    return options;
}

// The terminal: one row per process holding every control the demo places in a row, the process
// name in front; below the rows, the controls that appear once per screen. The dates are those of
// the moment the screen is built.
void BuildScreen(TerminalScreen& screen, const QString& apiHost) {
    using demo::DemoPlacement;
    const Date now = Clock::Now();
    const auto windowDates = [now](const QString& rule) { return FormDefaults::WindowDates(rule, now); };
    const auto place = [&](const DemoPlacement& placement, const QString& process, float left, float top) {
        ControlBase& control = screen.Place(placement.Control, left, top, placement.Width, placement.Height);
        for (const auto& [name, value] : placement.PropertiesFor(apiHost, process, windowDates))
            PropertyBinding::WriteText(control, name, value);
        return &control;
    };
    float top = 0;
    for (const QString& process : {QStringLiteral("P100"), QStringLiteral("P200"), QStringLiteral("P300")}) {
        screen.AddCaption(process, 0, top, 900, 495);
        float left = 960;
        float rowHeight = 495;
        for (const DemoPlacement& placement : DemoPlacement::All()) {
            if (placement.Where != DemoPlacement::Scope::EveryProcessRow)
                continue;
            const ControlBase* control = place(placement, process, left, top);
            left += control->Width() + 120;
            rowHeight = std::max(rowHeight, control->Height());
        }
        top += rowHeight + 120;
    }
    float left = 0;
    for (const DemoPlacement& placement : DemoPlacement::All()) {
        if (placement.Where != DemoPlacement::Scope::Screen)
            continue;
        left += place(placement, QStringLiteral("P100"), left, top)->Width() + 120;
    }
}

// The demo strip against the simulated plant, started here on a free 127.0.0.1 port.
int Demo(const DemoOptions& options) {
    plant::PlantService plant;
    plant.Start(0);
    std::fprintf(stderr, "k7 demo: simulated plant at %s\n", qPrintable(plant.BaseUrl()));

    TerminalScreen screen(QStringLiteral("Orvel K7 terminal - plant %1").arg(plant.BaseUrl()));
    BuildScreen(screen, plant.BaseUrl());
    screen.show();
    screen.Open(options.IntervalMs);
    if (options.Accessibility) {
        const std::shared_ptr<JsonBag> report = AccessibilityReport::Build(screen);
        report->SetWhitespace(true);
        std::printf("%s\n", report->JSON().toUtf8().constData());
        return 0;
    }
    if (HostPlatform::Headless())
        return HeadlessRun{QStringLiteral("k7 demo"), options.Seconds, options.Out, options.IntervalMs}.Run(screen);
    return QApplication::exec();
}

} // namespace

int RunDemo(int argc, char** argv, const QStringList& args) {
    return RunWidgetCommand("k7 demo", kDemoHelp, argc, argv, args, &ParseOptions, &Demo);
}

} // namespace k7::cli
