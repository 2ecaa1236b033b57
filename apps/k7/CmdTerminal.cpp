#include "Commands.h"

#include "ControlDump.h"
#include "FormTerminal.h"
#include "HeadlessRun.h"
#include "HostFile.h"
#include "HostPlatform.h"
#include "InProcessPlant.h"
#include "JournalForwarder.h"
#include "ScriptedHost.h"
#include "ServiceWatchdog.h"
#include "TerminalConfig.h"
#include "TerminalSteps.h"
#include "WidgetCommand.h"

#include "core/RuntimeError.h"
#include "frame/control/ControlBase.h"
#include "frame/control/Description.h"
#include "frame/control/ServiceControl.h"
#include "frame/requests/WriteJournal.h"
#include "json/JsonBag.h"

#include <QApplication>
#include <QDir>
#include <QScopeGuard>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

namespace k7::cli {

namespace {

const char* const kTerminalHelp =
    "usage: k7 terminal [SCREEN.ui] [--config FILE] [--api URL | --plant] [--company C] [--session S]\n"
    "                  [--period SECONDS] [--kiosk] [--seconds N] [--out DIR] [--dump FILE|-]\n"
    "                  [--journal FILE | --no-journal]\n"
    "                  [--at SECONDS [--click OBJECT/NAME:INDEX] [--answer TEXT] [--menu "
    "OBJECT/NAME:ITEM]...]...\n"
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
    "Every write (a scrap booking, a justification) is recorded in the write journal before it is\n"
    "sent. One that got no answer, or an answer that says \"not now\" (HTTP 5xx, 408, 429, a reply\n"
    "that is no JSON), is sent again under its own idempotency key, after about 2 s and then twice as\n"
    "long each time up to 60 s, until the service books it or refuses it for good; so are the ones an\n"
    "earlier run left open. Refused ones stay for k7 journal --retry or --dismiss.\n"
    "\n"
    "  --config FILE    read the form and the options below from the [terminal] group of the INI\n"
    "                   file FILE (form, api, company, session, kiosk, journal, period); what the\n"
    "                   command line gives wins (see docs/deploy.md)\n"
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
    "                   it, with its host record and what the terminal shows of it under\n"
    "                   \"terminal\") as one JSON object keyed by the controls' object names, and\n"
    "                   under \"k7Forwarded\" every write the terminal sent again\n"
    "  --journal FILE   the write journal (see k7 journal); default\n"
    "                   $XDG_STATE_HOME/orvelk7/journal.db (~/.local/state/orvelk7/journal.db)\n"
    "  --no-journal     keep no journal and send nothing again (the status line says \"journal off\")\n"
    "\n"
    "Steps, as in k7 show, taken at a moment counted from the screen's opening:\n"
    "  --at SECONDS     starts a group of steps run at that moment (groups in time order)\n"
    "  --click OBJECT/NAME:INDEX  press button NAME(INDEX) of the control named OBJECT on the form\n"
    "  --answer TEXT    the answer of the next prompt, whichever control asks\n"
    "  --menu OBJECT/NAME:ITEM  the item chosen when the control's pop-up menu NAME next opens\n"
    "\n"
    "A control's dates may follow the clock: give it the dynamic property k7Window (\"shift\", \"12h\",\n"
    "\"now\") and leave StartDate empty; see docs/terminal.md. Without a display (no DISPLAY, or\n"
    "QT_QPA_PLATFORM=offscreen) the run is headless; with steps it lasts until 2 s after the last\n"
    "group unless --seconds says otherwise. Exit status: 0 done, 1 the form, the journal, a file or\n"
    "a step failed, 2 bad usage.\n";

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
    bool NoJournal = false;
    TerminalSteps Steps;
};

// Where a terminal keeps its journal when not told: the user's state directory, made when missing
// (a failure to make it shows as the journal's own failure to open).
QString DefaultJournalFile() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    const QString directory = state + QStringLiteral("/orvelk7");
    QDir().mkpath(directory);
    return directory + QStringLiteral("/journal.db");
}

TerminalOptions ParseOptions(const QStringList& args) {
    TerminalOptions options;
    const TerminalConfig config = TerminalConfig::FromCommandLine(args);
    config.ApplyTo(options);
    bool formGiven = false;
    bool journalGiven = false; // on the command line: a configuration file's journal gives way to --no-journal
    const auto value = [&args](int& i) { return OptionValue(args, i); };
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
            options.PeriodSeconds = OptionSeconds(arg, value(i), kLeastPeriodSeconds);
        else if (arg == QLatin1String("--kiosk"))
            options.Kiosk = true;
        else if (arg == QLatin1String("--seconds"))
            options.Seconds = OptionSeconds(arg, value(i), 0.001);
        else if (arg == QLatin1String("--out"))
            options.Out = value(i);
        else if (arg == QLatin1String("--dump"))
            options.Dump = value(i);
        else if (arg == QLatin1String("--journal")) {
            options.Journal = value(i);
            journalGiven = true;
        }
        else if (arg == QLatin1String("--no-journal"))
            options.NoJournal = true;
        else if (options.Steps.Take(args, i))
            continue;
        else if (arg == QLatin1String("--config"))
            value(i); // read above, before every other option
        else
            TakeFormArgument(arg, formGiven, options.Form);
    }
    if (options.Form.isEmpty())
        throw UsageError("name the form to run (a .ui file saved by Qt Designer)");
    // --plant stands in for the file's service; with --api on the same command line it contradicts.
    if (options.Plant && !options.Api.isEmpty() && options.Api != config.Api)
        throw UsageError("--plant and --api both name the service; give one");
    if (options.NoJournal && journalGiven)
        throw UsageError("--journal and --no-journal contradict each other; give one");
    if (options.NoJournal)
        options.Journal.clear();
    if (options.Seconds && *options.Seconds < options.Steps.LastAt())
        throw UsageError("--seconds ends the run before the last --at group");
    if (!options.NoJournal && options.Journal.isEmpty())
        options.Journal = DefaultJournalFile();
    if (const QString reason = HostPlatform::NoDisplayReason(); options.Kiosk && !reason.isEmpty())
        throw UsageError(QStringLiteral("--kiosk needs a display (%1)").arg(reason).toStdString());
    return options;
}

void WriteDump(const FormTerminal& terminal, const TerminalSteps& steps, const JournalForwarder* forwarder,
               const QString& target) {
    auto document = JsonBag::Create();
    for (const ControlBase* control : terminal.Controls()) {
        // The control's own state as `k7 show --dump` writes it, with the host's record, and what
        // the terminal shows of it.
        const auto state = ControlDump::Build(*control, steps.HostOf(*control));
        terminal.DescribeShown(*control, Description(state).Object(QStringLiteral("terminal")));
        document->SetItemJSON(Variant(control->objectName()), state->JSON());
    }
    if (forwarder != nullptr) {
        Description forwarded = Description(document).Array(QStringLiteral("k7Forwarded"));
        for (const WriteOutcome& write : forwarder->Forwarded()) {
            Description entry = forwarded.Append();
            entry.Field(QStringLiteral("entry"), Variant(static_cast<double>(write.JournalId)));
            for (const auto& [name, value] : WriteFields(write))
                entry.Field(name, value);
        }
    }
    document->SetWhitespace(true);
    HostFile::Write(target, document->JSON().toUtf8() + '\n');
}

int Run(const TerminalOptions& options) {
    FormTerminal::Settings settings;
    settings.Connection = {options.Api, options.Company, options.Session};
    settings.DefaultPeriodMs = static_cast<int>(options.PeriodSeconds * 1000);
    std::unique_ptr<plant::PlantService> plant;
    if (options.Plant)
        plant = StartInProcessPlant("k7 terminal", settings.Connection);

    FormTerminal terminal(options.Form, settings);
    for (const QString& note : terminal.LoadNotes())
        std::fprintf(stderr, "k7 terminal: %s: %s\n", qPrintable(options.Form), qPrintable(note));
    // Declared after the terminal: they go first, while the controls they serve are still there.
    TerminalSteps steps = options.Steps;
    if (!options.Dump.isEmpty() || !steps.Empty())
        steps.Host(terminal.Controls(), HostPlatform::Headless());
    std::unique_ptr<JournalForwarder> forwarder;
    if (const std::shared_ptr<WriteJournal> journal = WriteJournal::Active()) {
        forwarder = std::make_unique<JournalForwarder>(journal);
        for (ControlBase* control : terminal.Controls())
            if (auto* service = qobject_cast<ServiceControl*>(control))
                forwarder->Watch(*service);
        // Before the controls open: what is open in the journal now, earlier runs left open.
        forwarder->Start();
    }
    if (options.Kiosk) {
        terminal.setWindowFlag(Qt::FramelessWindowHint);
        terminal.showFullScreen();
    } else {
        terminal.show();
    }
    terminal.Open();
    steps.Start();
    // Under systemd: the screen is up, and the event loop below keeps the watchdog fed.
    ServiceWatchdog watchdog;
    watchdog.NotifyReady();

    int result = 0;
    if (HostPlatform::Headless() || options.Seconds || !options.Out.isEmpty()) {
        const double seconds =
            options.Seconds.value_or(steps.Empty() ? 4 : std::max(4.0, steps.LastAt() + 2));
        result =
            HeadlessRun{QStringLiteral("k7 terminal"), seconds, options.Out, settings.DefaultPeriodMs}.Run(
                terminal);
    } else {
        result = QApplication::exec();
    }
    if (!options.Dump.isEmpty())
        WriteDump(terminal, steps, forwarder.get(), options.Dump);
    return steps.Failed() > 0 ? 1 : result;
}

} // namespace

int RunTerminal(int argc, char** argv, const QStringList& args) {
    return RunWidgetCommand("k7 terminal", kTerminalHelp, argc, argv, args, &ParseOptions, &Run);
}

} // namespace k7::cli
