#include "Commands.h"

#include "FleetReport.h"
#include "FormTerminal.h"
#include "HostFile.h"
#include "InProcessPlant.h"
#include "RecoveryWatch.h"
#include "ServiceTap.h"
#include "TerminalConfig.h"
#include "WidgetCommand.h"

#include "frame/control/ControlBase.h"
#include "frame/requests/ConnectionGroupBinding_p.h"
#include "json/JsonBag.h"
#include "plant/OpenFileLimit.h"
#include "service/ConnectionGroup_p.h"

#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace k7::cli {

namespace {

const char* const kFleetHelp =
    "usage: k7 fleet FORM.ui --terminals N [--api URL | --plant] [--company C] [--session S]\n"
    "                [--period SECONDS] [--seconds S] [--outage FROM:TO] [--json FILE|-]\n"
    "\n"
    "Runs N copies of the form in one headless process, each a terminal of its own as k7 terminal\n"
    "runs it (its own controls, schedule, held figures and reopening with a growing wait), never\n"
    "shown and without screenshots, and reports what the service sees of them. The copies open\n"
    "spread over one default period and refresh out of step, as a fleet does that was not started\n"
    "on one command. Every connection of the copies goes through a small relay on 127.0.0.1 in front\n"
    "of the service, which counts connections and requests as they pass.\n"
    "\n"
    "The report (on standard output, as JSON with --json): requests per second (mean and peak of the\n"
    "whole seconds after the opening), connections held (at peak and at the end) and opened, the\n"
    "requests per path, and the p50/p99 latency from a request's end to its answer's first byte.\n"
    "\n"
    "  --terminals N    how many copies of the form run (at least 1)\n"
    "  --api URL        the service (plain http://); controls whose form leaves APIHost empty use it\n"
    "  --plant          start the simulated plant in this process and use it as --api\n"
    "                   (Company ORV and Session DEMO unless given)\n"
    "  --company C      Company of every control whose form leaves it empty\n"
    "  --session S      Session of every control whose form leaves it empty\n"
    "  --period SECONDS the refresh period of controls without k7RefreshSeconds (default 5)\n"
    "  --seconds S      how long the fleet runs (default 60)\n"
    "  --outage FROM:TO the service cannot be reached from FROM to TO seconds after the start: the\n"
    "                   relay stops listening and drops every connection (with --plant the plant is\n"
    "                   stopped as well, and started again on its port at TO). The report adds the\n"
    "                   steady rate before FROM, the peak in the 60 s after TO, and how long after TO\n"
    "                   every control of every copy had had a good read again\n"
    "  --json FILE|-    also write the report as one JSON object to FILE (- for standard output,\n"
    "                   instead of the text)\n"
    "\n"
    "See docs/fleet.md. Exit status: 0 done, 1 the form or the service could not be used, 2 bad usage.\n";

struct FleetOptions {
    QString Form;
    int Terminals = 0;
    QString Api;
    bool Plant = false;
    QString Company;
    QString Session;
    double PeriodSeconds = 5;
    double Seconds = 60;
    std::optional<double> OutageFrom, OutageTo;
    QString Json;
    QString Journal; // none: the copies only read, and a fleet's writes would share one journal
};

void TakeOutage(const QString& text, FleetOptions& options) {
    const QStringList bounds = text.split(QLatin1Char(':'));
    bool fromOk = false, toOk = false;
    const double from = bounds.value(0).toDouble(&fromOk), to = bounds.value(1).toDouble(&toOk);
    if (bounds.size() != 2 || !fromOk || !toOk || !(from >= 0) || !(to > from))
        throw UsageError(QStringLiteral("--outage wants FROM:TO seconds, FROM before TO, not '%1'")
                             .arg(text)
                             .toStdString());
    options.OutageFrom = from;
    options.OutageTo = to;
}

FleetOptions ParseOptions(const QStringList& args) {
    FleetOptions options;
    bool formGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--terminals")) {
            bool ok = false;
            options.Terminals = OptionValue(args, i).toInt(&ok);
            if (!ok || options.Terminals < 1)
                throw UsageError(QStringLiteral("bad value '%1' for --terminals").arg(args[i]).toStdString());
        } else if (arg == QLatin1String("--api"))
            options.Api = OptionValue(args, i);
        else if (arg == QLatin1String("--plant"))
            options.Plant = true;
        else if (arg == QLatin1String("--company"))
            options.Company = OptionValue(args, i);
        else if (arg == QLatin1String("--session"))
            options.Session = OptionValue(args, i);
        else if (arg == QLatin1String("--period"))
            options.PeriodSeconds = OptionSeconds(arg, OptionValue(args, i), kLeastPeriodSeconds);
        else if (arg == QLatin1String("--seconds"))
            options.Seconds = OptionSeconds(arg, OptionValue(args, i), 1);
        else if (arg == QLatin1String("--outage"))
            TakeOutage(OptionValue(args, i), options);
        else if (arg == QLatin1String("--json"))
            options.Json = OptionValue(args, i);
        else
            TakeFormArgument(arg, formGiven, options.Form);
    }
    if (options.Form.isEmpty())
        throw UsageError("name the form to run (a .ui file saved by Qt Designer)");
    if (options.Terminals == 0)
        throw UsageError("say how many copies run with --terminals N");
    if (options.Plant == !options.Api.isEmpty())
        throw UsageError("name the service with --api URL or --plant, one of them");
    if (!options.Api.isEmpty() && QUrl(options.Api).scheme() != QLatin1String("http"))
        throw UsageError("--api wants a plain http:// service: the relay reads the requests it counts");
    if (options.OutageTo && *options.OutageTo >= options.Seconds)
        throw UsageError("--outage must end before the run does (--seconds)");
    return options;
}

double Random() {
    return QRandomGenerator::global()->generateDouble();
}

// What makes a copy one terminal among many rather than the same terminal N times: connections of
// its own, as a terminal on its own machine has (its controls share them, with no other copy), and
// timers out of step with the other copies'.
void MakeOneOfMany(FormTerminal& copy) {
    const std::shared_ptr<ConnectionGroup> connections = ConnectionGroup::Create();
    for (ControlBase* control : copy.Controls())
        UseConnectionGroup(*control, connections);
    copy.Schedule().SetFirstRefreshDelay([](int periodMs) { return static_cast<int>(Random() * periodMs); });
}

int Run(const FleetOptions& options) {
    // Every copy holds connections of its own, and the relay as many again: more than the usual
    // 1,024 open files for a fleet of any size.
    plant::RaiseOpenFileLimitForConnections();
    FormDefaults::Connection connection{options.Api, options.Company, options.Session};
    std::unique_ptr<plant::PlantService> plant;
    if (options.Plant)
        plant = StartInProcessPlant("k7 fleet", connection);
    const QUrl service(connection.APIHost);
    ServiceTap tap(service.host(), service.port(80));

    FormTerminal::Settings settings;
    settings.Connection = connection;
    settings.Connection.APIHost = QStringLiteral("http://127.0.0.1:%1%2").arg(tap.Port()).arg(service.path());
    settings.DefaultPeriodMs = static_cast<int>(options.PeriodSeconds * 1000);
    RecoveryWatch recovery([&tap] { return tap.Elapsed(); });
    std::vector<std::unique_ptr<FormTerminal>> copies;
    for (int i = 0; i < options.Terminals; ++i) {
        copies.push_back(std::make_unique<FormTerminal>(options.Form, settings));
        if (i == 0)
            for (const QString& note : copies.back()->LoadNotes())
                std::fprintf(stderr, "k7 fleet: %s: %s\n", qPrintable(options.Form), qPrintable(note));
        MakeOneOfMany(*copies.back());
        for (ControlBase* control : copies.back()->Controls())
            recovery.Watch(*control);
    }

    FleetReport::Run run;
    run.Form = options.Form;
    run.Service = connection.APIHost;
    run.Terminals = options.Terminals;
    run.Seconds = options.Seconds;
    // Opened within one period, and a period more until every copy refreshes on its timers.
    run.OpeningSeconds = 2 * options.PeriodSeconds;

    QEventLoop loop;
    int result = 0;
    const auto failed = [&](const std::exception& error) {
        std::fprintf(stderr, "k7 fleet: %s\n", error.what());
        result = 1;
        loop.quit();
    };
    tap.StartClock();
    for (const auto& copy : copies)
        QTimer::singleShot(static_cast<int>(Random() * settings.DefaultPeriodMs), copy.get(),
                           [terminal = copy.get()] { terminal->Open(); });
    const int plantPort = plant ? plant->Port() : 0;
    if (options.OutageFrom) {
        // Precise: a coarse timer may fire up to 5 % early, and the outage's seconds would blur.
        QTimer::singleShot(static_cast<int>(*options.OutageFrom * 1000), Qt::PreciseTimer, &loop, [&] {
            tap.Close();
            if (plant)
                plant->Stop();
            run.OutageFrom = tap.Elapsed();
        });
        QTimer::singleShot(static_cast<int>(*options.OutageTo * 1000), Qt::PreciseTimer, &loop, [&] {
            try {
                if (plant)
                    plant->Start(plantPort);
                tap.Reopen();
                run.OutageTo = tap.Elapsed();
                recovery.ServiceBack();
            } catch (const std::exception& error) {
                failed(error);
            }
        });
    }
    QTimer::singleShot(static_cast<int>(options.Seconds * 1000), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    if (result != 0)
        return result;

    // Requests still out are let through to their answers: each one counted then reached the service.
    tap.Finish(5000);
    run.AllFreshAfter = recovery.AllFreshAfter();
    run.NotFresh = recovery.NotFresh();
    const FleetReport report(tap.Counts(), run);
    if (options.Json != QLatin1String("-"))
        std::fputs(qPrintable(report.Text()), stdout);
    if (!options.Json.isEmpty()) {
        const auto document = report.Json();
        document->SetWhitespace(true);
        HostFile::Write(options.Json, document->JSON().toUtf8() + '\n');
    }
    std::fflush(stdout);
    return 0;
}

} // namespace

int RunFleet(int argc, char** argv, const QStringList& args) {
    // The copies are never shown: no display is needed, and none is painted on.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return RunWidgetCommand("k7 fleet", kFleetHelp, argc, argv, args, &ParseOptions, &Run);
}

} // namespace k7::cli
