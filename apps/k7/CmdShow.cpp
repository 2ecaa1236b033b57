#include "Commands.h"

#include "ControlDump.h"
#include "HostFile.h"
#include "HostPlatform.h"
#include "HostStep.h"
#include "PropertyBinding.h"
#include "ScreenFile.h"
#include "ScriptedHost.h"
#include "WidgetCommand.h"

#include "controls/ControlCatalog.h"
#include "core/RuntimeError.h"
#include "frame/control/ControlBase.h"
#include "frame/control/ServiceControl.h"
#include "frame/requests/WriteJournal.h"
#include "json/JsonBag.h"

#include <QApplication>
#include <QEventLoop>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>

namespace k7::cli {

namespace {

const char* const kShowHelp =
    "usage: k7 show CONTROL [options] [steps]\n"
    "       k7 show --screen FILE [--name NAME] [options] [steps]\n"
    "\n"
    "Hosts one control: restores it from a screen file or creates it new, sets properties by their\n"
    "public names, then runs the steps in the order given, as a host would, and writes its state.\n"
    "Without a refresh step it calls Refresh(False) (and Refresh(True) with --opened) first.\n"
    "\n"
    "  --prop Name=Value   set a public property (repeatable; after the screen file's values)\n"
    "  --screen FILE       restore the control from a saved screen (its first control, or --name)\n"
    "  --name NAME         the control of the screen file to host\n"
    "  --size WxH          the control's outer extent in twips (default: the screen file's, or the\n"
    "                      control's design size)\n"
    "  --opened            call Refresh(True) after the first Refresh(False)\n"
    "  --wait MS           run the event loop MS milliseconds before writing (timers tick)\n"
    "  --dump FILE|-       write the control's state as JSON (- for standard output)\n"
    "  --screenshot FILE   write a PNG of the control\n"
    "  --save FILE         write the control back as a one-control screen file\n"
    "  --journal FILE      record every write the control sends in the write journal FILE\n"
    "                      before it is sent, with its outcome (see k7 journal)\n"
    "\n"
    "Steps, run in order:\n"
    "  --no-refresh        no refresh unless a --refresh step asks for one\n"
    "  --refresh true|false  call Refresh(pBolOpened)\n"
    "  --resize WxH        give the control a new extent in twips, as a host's resize does\n"
    "  --click NAME:INDEX  press a button (INDEX -1 or omitted for a button outside an array)\n"
    "  --release NAME:INDEX  release the mouse over a label\n"
    "  --answer TEXT       the answer of the next modal prompt\n"
    "  --menu NAME:ITEM    the item chosen when the pop-up menu NAME next opens\n"
    "Headless, a prompt or menu without a scripted answer is cancelled; the dump's \"host\" record\n"
    "lists every prompt, menu, property notice and raised event, and every write the control\n"
    "sent (verb, url, status, message, verdict booked|refused|unknown, key).\n"
    "\n"
    "Without --dump, --screenshot or --save and with a display, the control stays open until closed.\n"
    "Exit status: 0 done, 1 the control or a file failed (a write the --journal could not record\n"
    "among them), 2 bad usage.\n";

struct ShowOptions {
    QString Control;
    QList<QPair<QString, QString>> Properties;
    QString Screen;
    QString Name;
    std::optional<QPair<float, float>> Size;
    bool Opened = false;
    bool NoRefresh = false;
    std::vector<HostStep> Steps;
    int WaitMs = 0;
    QString Dump;
    QString Screenshot;
    QString Save;
    QString Journal;
};

QString TakeValue(const QStringList& args, int& i) {
    if (i + 1 >= args.size())
        throw UsageError(QStringLiteral("%1 needs a value").arg(args[i]).toStdString());
    return args[++i];
}

QPair<float, float> ParseExtent(const QString& option, const QString& size) {
    const QStringList parts = size.split(QLatin1Char('x'));
    bool okWidth = false, okHeight = false;
    if (parts.size() == 2) {
        const float width = parts[0].toFloat(&okWidth);
        const float height = parts[1].toFloat(&okHeight);
        if (okWidth && okHeight && width >= 0 && height >= 0)
            return qMakePair(width, height);
    }
    throw UsageError(
        QStringLiteral("%1 wants WIDTHxHEIGHT in twips, not '%2'").arg(option, size).toStdString());
}

ShowOptions ParseOptions(const QStringList& args) {
    ShowOptions options;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--prop")) {
            const QString pair = TakeValue(args, i);
            const qsizetype equals = pair.indexOf(QLatin1Char('='));
            if (equals <= 0)
                throw UsageError(QStringLiteral("--prop wants Name=Value, not '%1'").arg(pair).toStdString());
            options.Properties.append({pair.left(equals), pair.mid(equals + 1)});
        } else if (arg == QLatin1String("--screen")) {
            options.Screen = TakeValue(args, i);
        } else if (arg == QLatin1String("--name")) {
            options.Name = TakeValue(args, i);
        } else if (arg == QLatin1String("--size")) {
            options.Size = ParseExtent(arg, TakeValue(args, i));
        } else if (arg == QLatin1String("--opened")) {
            options.Opened = true;
        } else if (arg == QLatin1String("--no-refresh")) {
            options.NoRefresh = true;
        } else if (arg == QLatin1String("--refresh")) {
            const QString value = TakeValue(args, i).toLower();
            if (value != QLatin1String("true") && value != QLatin1String("false"))
                throw UsageError("--refresh wants true or false");
            options.Steps.push_back({HostStep::Kind::Refresh, {}, -1, value == QLatin1String("true")});
        } else if (arg == QLatin1String("--resize")) {
            const auto extent = ParseExtent(arg, TakeValue(args, i));
            options.Steps.push_back({HostStep::Kind::Resize, {}, -1, false, extent.first, extent.second});
        } else if (const std::optional<HostStep> step = HostStep::Take(args, i)) {
            options.Steps.push_back(*step);
        } else if (arg == QLatin1String("--wait")) {
            const QString wait = TakeValue(args, i);
            bool ok = false;
            options.WaitMs = wait.toInt(&ok);
            if (!ok || options.WaitMs < 0)
                throw UsageError(
                    QStringLiteral("--wait wants milliseconds, not '%1'").arg(wait).toStdString());
        } else if (arg == QLatin1String("--dump")) {
            options.Dump = TakeValue(args, i);
        } else if (arg == QLatin1String("--screenshot")) {
            options.Screenshot = TakeValue(args, i);
        } else if (arg == QLatin1String("--save")) {
            options.Save = TakeValue(args, i);
        } else if (arg == QLatin1String("--journal")) {
            options.Journal = TakeValue(args, i);
        } else if (arg.startsWith(QLatin1String("--"))) {
            throw UsageError(QStringLiteral("unknown option %1").arg(arg).toStdString());
        } else if (options.Control.isEmpty()) {
            options.Control = arg;
        } else {
            throw UsageError(QStringLiteral("one control at a time ('%1' and '%2')")
                                 .arg(options.Control, arg)
                                 .toStdString());
        }
    }
    if (options.Control.isEmpty() && options.Screen.isEmpty())
        throw UsageError("name a control (" +
                         ControlCatalog::Names().join(QStringLiteral(", ")).toStdString() +
                         ") or a --screen file");
    const bool scriptedRefresh =
        std::any_of(options.Steps.begin(), options.Steps.end(),
                    [](const HostStep& step) { return step.What == HostStep::Kind::Refresh; });
    if (!options.NoRefresh && !scriptedRefresh) {
        // The host's usual opening: Refresh(False), then Refresh(True) when the screen is open.
        std::vector<HostStep> opening = {{HostStep::Kind::Refresh, {}, -1, false}};
        if (options.Opened)
            opening.push_back({HostStep::Kind::Refresh, {}, -1, true});
        options.Steps.insert(options.Steps.begin(), opening.begin(), opening.end());
    }
    return options;
}

// The screen entry to host: the named one, or the first (of the requested kind, if one was named).
ScreenControl PickScreenControl(const ShowOptions& options) {
    std::vector<ScreenControl> controls = ScreenFile::Load(options.Screen);
    for (ScreenControl& control : controls) {
        if (!options.Name.isEmpty() && control.Name != options.Name)
            continue;
        if (!options.Control.isEmpty() && control.Kind != options.Control)
            continue;
        return control;
    }
    throw std::runtime_error(QStringLiteral("%1 holds no such control").arg(options.Screen).toStdString());
}

void WriteText(const QString& target, const QString& text) {
    HostFile::Write(target, text.toUtf8() + '\n');
}

// Runs a host call; a runtime error it raises is reported as the failure text, as a host shows it.
bool CallHost(const char* what, const std::function<void()>& call) {
    try {
        call();
        return true;
    } catch (const RuntimeError& error) {
        std::fprintf(stderr, "k7 show: %s raised %s\n", what, qPrintable(error.FailureText()));
        return false;
    }
}

int Show(const ShowOptions& options) {
    std::optional<ScreenControl> entry;
    if (!options.Screen.isEmpty())
        entry = PickScreenControl(options);
    const QString kind = entry ? entry->Kind : options.Control;
    std::unique_ptr<ControlBase> control = ControlCatalog::Create(kind);
    if (!control) {
        std::fprintf(stderr, "k7 show: no control named '%s' (known: %s)\n", qPrintable(kind),
                     qPrintable(ControlCatalog::Names().join(QStringLiteral(", "))));
        return 2;
    }
    control->setWindowTitle(QStringLiteral("k7 show %1").arg(kind));
    ScriptedHost host(HostPlatform::Headless());
    control->SetHost(&host);
    host.Watch(*control);
    bool ok = true;

    if (entry) {
        control->setObjectName(entry->Name);
        control->ReadProperties(entry->Properties);
        if (entry->Width > 0 && entry->Height > 0)
            control->SetExtent(entry->Width, entry->Height);
    }
    for (const auto& property : options.Properties) {
        ok = CallHost("setting a property",
                      [&] { PropertyBinding::WriteText(*control, property.first, property.second); }) &&
             ok;
    }
    if (options.Size)
        control->SetExtent(options.Size->first, options.Size->second);

    control->show();
    // A write the journal could not hold is a failure of the run, though the write itself went out.
    const std::shared_ptr<WriteJournal> journal = WriteJournal::Active();
    if (auto* service = qobject_cast<ServiceControl*>(control.get()); service != nullptr && journal)
        QObject::connect(service, &ServiceControl::WriteFinished, service,
                         [&ok, journal](const WriteOutcome& write) {
                             if (journal->Recorded(write))
                                 return;
                             std::fprintf(stderr, "k7 show: the write journal %s did not record %s %s: %s\n",
                                          qPrintable(journal->File()), qPrintable(write.Verb),
                                          qPrintable(write.Url), qPrintable(journal->LastFailure()));
                             ok = false;
                         });
    for (const HostStep& step : options.Steps)
        ok = step.Run(*control, host, "k7 show") && ok;

    if (options.WaitMs > 0) {
        QEventLoop loop;
        QTimer::singleShot(options.WaitMs, &loop, &QEventLoop::quit);
        loop.exec();
    }

    const bool interactive = options.Dump.isEmpty() && options.Screenshot.isEmpty() && options.Save.isEmpty();
    if (!options.Dump.isEmpty()) {
        auto document = ControlDump::Build(*control, &host);
        document->SetWhitespace(true);
        WriteText(options.Dump, document->JSON());
    }
    if (!options.Screenshot.isEmpty() && !control->grab().save(options.Screenshot, "PNG")) {
        std::fprintf(stderr, "k7 show: cannot write %s\n", qPrintable(options.Screenshot));
        ok = false;
    }
    if (!options.Save.isEmpty()) {
        ScreenControl saved;
        saved.Kind = kind;
        saved.Name = entry ? entry->Name : kind;
        saved.Left = entry ? entry->Left : 0;
        saved.Top = entry ? entry->Top : 0;
        saved.Width = control->Width();
        saved.Height = control->Height();
        control->WriteProperties(saved.Properties);
        ScreenFile::Save(options.Save, {saved});
    }
    if (interactive && !HostPlatform::Headless())
        return QApplication::exec();
    return ok ? 0 : 1;
}

} // namespace

int RunShow(int argc, char** argv, const QStringList& args) {
    return RunWidgetCommand("k7 show", kShowHelp, argc, argv, args, &ParseOptions, &Show);
}

} // namespace k7::cli
