#include "Commands.h"

#include "ControlDump.h"
#include "FormTerminal.h"
#include "HeadlessRun.h"
#include "HostPlatform.h"
#include "WidgetCommand.h"

#include "frame/ControlBase.h"
#include "frame/Description.h"
#include "frame/WriteJournal.h"
#include "core/RuntimeError.h"
#include "plant/PlantService.h"
#include "json/JsonBag.h"

#include <QApplication>
#include <QFile>
#include <QScopeGuard>

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

namespace k7::cli {

namespace {

const char* const kTerminalHelp =
    "usage: k7 terminal SCREEN.ui [--api URL | --plant] [--company C] [--session S] [--period SECONDS]\n"
    "                  [--kiosk] [--seconds N] [--out DIR] [--dump FILE|-] [--journal FILE]\n"
    "\n"
    "Runs a terminal screen made in Qt Designer with the OrvelK7Controls plugin: loads the form\n"
    "SCREEN.ui at run time, creates its controls through the library's catalog, opens each with\n"
    "Refresh(False) and refreshes it every 5 s (or every k7RefreshSeconds, a dynamic property of the\n"
    "control on the form), with non-blocking requests. A control whose last read failed keeps showing\n"
    "its last good figures, framed with a badge giving their age, and is opened again with a growing\n"
    "wait until a read is good; a read out too long is marked \"waiting\". The status line at the\n"
    "bottom says the writes nobody has confirmed, whether the service answers, and since when marked\n"
    "controls have had no good figures. A control the period table's menus change is refreshed at once.\n"
    "\n"
    "  --api URL        APIHost of every control whose form leaves it empty; a control with the\n"
    "                   dynamic property k7ServicePath (the path view) gets URL = URL + that path\n"
    "  --plant          start the simulated plant on a free 127.0.0.1 port and use it as --api\n"
    "                   (Company ORV and Session DEMO unless given)\n"
    "  --company C      Company of every control whose form leaves it empty\n"
    "  --session S      Session of every control whose form leaves it empty\n"
    "  --period SECONDS the refresh period of controls without k7RefreshSeconds (default 5)\n"
    "  --kiosk          full screen, without a window frame (needs a display)\n"
    "  --seconds N      run N seconds, writing screenshots, then exit (default 4 without a display)\n"
    "  --out DIR        where the screenshots go (created when missing; default a fresh directory\n"
    "                   under the temporary directory); each path is printed\n"
    "  --dump FILE|-    when the run ends, write every control's state (as k7 show --dump writes\n"
    "                   it, with what the terminal shows of it under \"terminal\") as one JSON\n"
    "                   object keyed by the controls' object names\n"
    "  --journal FILE   record every write in the write journal FILE before it is sent, with its\n"
    "                   outcome (see k7 journal)\n"
    "\n"
    "A control's dates may follow the clock: give it the dynamic property k7Window (\"shift\", \"12h\",\n"
    "\"now\") and leave StartDate empty; see docs/terminal.md. Without a display (no DISPLAY, or\n"
    "QT_QPA_PLATFORM=offscreen) the run is headless. Exit status: 0 done, 1 the form or a file\n"
    "failed, 2 bad usage.\n";

struct TerminalOptions {
    QString Form;
    QString Api;
    bool Plant = false;
    QString Company;
    QString Session;
    double PeriodSeconds = 5;
    bool Kiosk = false;
    std::optional<double> Seconds;
    QString Out;
    QString Dump;
    QString Journal;
};

TerminalOptions ParseOptions(const QStringList& args) {
    TerminalOptions options;
    const auto value = [&args](int& i) {
        if (i + 1 >= args.size() || args[i + 1].isEmpty())
            throw UsageError(QStringLiteral("%1 needs a value").arg(args[i]).toStdString());
        return args[++i];
    };
    const auto seconds = [](const QString& option, const QString& text, double least) {
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (!ok || !(number >= least))
            throw UsageError(QStringLiteral("bad value '%1' for %2").arg(text, option).toStdString());
        return number;
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--api"))
            options.Api = value(i);
        else if (arg == QLatin1String("--plant"))
            options.Plant = true;
        else if (arg == QLatin1String("--company"))
            options.Company = value(i);
        else if (arg == QLatin1String("--session"))
            options.Session = value(i);
        else if (arg == QLatin1String("--period"))
            options.PeriodSeconds = seconds(arg, value(i), 0.5);
        else if (arg == QLatin1String("--kiosk"))
            options.Kiosk = true;
        else if (arg == QLatin1String("--seconds"))
            options.Seconds = seconds(arg, value(i), 0.001);
        else if (arg == QLatin1String("--out"))
            options.Out = value(i);
        else if (arg == QLatin1String("--dump"))
            options.Dump = value(i);
        else if (arg == QLatin1String("--journal"))
            options.Journal = value(i);
        else if (arg.startsWith(QLatin1String("--")))
            throw UsageError(QStringLiteral("unknown option %1").arg(arg).toStdString());
        else if (options.Form.isEmpty())
            options.Form = arg;
        else
            throw UsageError(QStringLiteral("one form at a time ('%1' and '%2')").arg(options.Form, arg).toStdString());
    }
    if (options.Form.isEmpty())
        throw UsageError("name the form to run (a .ui file saved by Qt Designer)");
    if (options.Plant && !options.Api.isEmpty())
        throw UsageError("--plant and --api both name the service; give one");
    if (const QString reason = HostPlatform::NoDisplayReason(); options.Kiosk && !reason.isEmpty())
        throw UsageError(QStringLiteral("--kiosk needs a display (%1)").arg(reason).toStdString());
    return options;
}

void WriteDump(const FormTerminal& terminal, const QString& target) {
    auto document = JsonBag::Create();
    for (const ControlBase* control : terminal.Controls()) {
        // The control's own state as `k7 show --dump` writes it, and what the terminal shows of it.
        const auto state = ControlDump::Build(*control);
        terminal.DescribeShown(*control, Description(state).Object(QStringLiteral("terminal")));
        document->SetItemJSON(Variant(control->objectName()), state->JSON());
    }
    document->SetWhitespace(true);
    const QByteArray text = document->JSON().toUtf8() + '\n';
    if (target == QLatin1String("-")) {
        std::fputs(text.constData(), stdout);
        std::fflush(stdout);
        return;
    }
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        throw std::runtime_error(QStringLiteral("cannot write %1: %2").arg(target, file.errorString()).toStdString());
}

int Run(const TerminalOptions& options) {
    FormTerminal::Settings settings;
    settings.Connection = {options.Api, options.Company, options.Session};
    settings.DefaultPeriodMs = static_cast<int>(options.PeriodSeconds * 1000);
    std::unique_ptr<plant::PlantService> plant;
    if (options.Plant) {
        plant = std::make_unique<plant::PlantService>();
        plant->Start(0);
        std::fprintf(stderr, "k7 terminal: simulated plant at %s\n", qPrintable(plant->BaseUrl()));
        settings.Connection.APIHost = plant->BaseUrl();
        if (settings.Connection.Company.isEmpty())
            settings.Connection.Company = QStringLiteral("ORV");
        if (settings.Connection.Session.isEmpty())
            settings.Connection.Session = QStringLiteral("DEMO");
    }

    FormTerminal terminal(options.Form, settings);
    for (const QString& note : terminal.LoadNotes())
        std::fprintf(stderr, "k7 terminal: %s: %s\n", qPrintable(options.Form), qPrintable(note));
    if (options.Kiosk) {
        terminal.setWindowFlag(Qt::FramelessWindowHint);
        terminal.showFullScreen();
    } else {
        terminal.show();
    }
    terminal.Open();

    int result = 0;
    if (HostPlatform::Headless() || options.Seconds || !options.Out.isEmpty())
        result = HeadlessRun{QStringLiteral("k7 terminal"), options.Seconds.value_or(4), options.Out,
                             settings.DefaultPeriodMs}
                     .Run(terminal);
    else
        result = QApplication::exec();
    if (!options.Dump.isEmpty())
        WriteDump(terminal, options.Dump);
    return result;
}

} // namespace

int RunTerminal(int argc, char** argv, const QStringList& args) {
    return RunWidgetCommand("k7 terminal", kTerminalHelp, argc, argv, args, &ParseOptions, &Run);
}

} // namespace k7::cli
