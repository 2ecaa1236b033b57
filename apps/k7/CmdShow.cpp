#include "Commands.h"

#include "ControlDump.h"
#include "ControlFactory.h"
#include "HostPlatform.h"
#include "PropertyBinding.h"
#include "ScreenFile.h"

#include "controls/frame/ControlBase.h"
#include "core/RuntimeError.h"
#include "json/JsonBag.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <optional>
#include <stdexcept>

namespace k7::cli {

namespace {

const char* const kShowHelp =
    "usage: k7 show CONTROL [options]\n"
    "       k7 show --screen FILE [--name NAME] [options]\n"
    "\n"
    "Hosts one control: restores it from a screen file or creates it new, sets properties by their\n"
    "public names, calls Refresh(False) (and Refresh(True) with --opened), then writes its state.\n"
    "\n"
    "  --prop Name=Value   set a public property (repeatable; after the screen file's values)\n"
    "  --screen FILE       restore the control from a saved screen (its first control, or --name)\n"
    "  --name NAME         the control of the screen file to host\n"
    "  --size WxH          the control's outer extent in twips (default: the screen file's, or the\n"
    "                      control's design size)\n"
    "  --opened            call Refresh(True) after Refresh(False)\n"
    "  --wait MS           run the event loop MS milliseconds before writing (timers tick)\n"
    "  --dump FILE|-       write the control's state as JSON (- for standard output)\n"
    "  --screenshot FILE   write a PNG of the control\n"
    "  --save FILE         write the control back as a one-control screen file\n"
    "\n"
    "Without --dump, --screenshot or --save and with a display, the control stays open until closed.\n"
    "Exit status: 0 done, 1 the control or a file failed, 2 bad usage.\n";

struct ShowOptions {
    QString Control;
    QList<QPair<QString, QString>> Properties;
    QString Screen;
    QString Name;
    std::optional<QPair<float, float>> Size;
    bool Opened = false;
    int WaitMs = 0;
    QString Dump;
    QString Screenshot;
    QString Save;
};

class UsageError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

QString TakeValue(const QStringList& args, int& i) {
    if (i + 1 >= args.size())
        throw UsageError(QStringLiteral("%1 needs a value").arg(args[i]).toStdString());
    return args[++i];
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
            const QString size = TakeValue(args, i);
            const QStringList parts = size.split(QLatin1Char('x'));
            bool okWidth = false, okHeight = false;
            if (parts.size() == 2) {
                const float width = parts[0].toFloat(&okWidth);
                const float height = parts[1].toFloat(&okHeight);
                if (okWidth && okHeight && width >= 0 && height >= 0)
                    options.Size = qMakePair(width, height);
            }
            if (!options.Size)
                throw UsageError(
                    QStringLiteral("--size wants WIDTHxHEIGHT in twips, not '%1'").arg(size).toStdString());
        } else if (arg == QLatin1String("--opened")) {
            options.Opened = true;
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
                         ControlFactory::Names().join(QStringLiteral(", ")).toStdString() +
                         ") or a --screen file");
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
    if (target == QLatin1String("-")) {
        std::fputs(text.toUtf8().constData(), stdout);
        std::fputs("\n", stdout);
        std::fflush(stdout);
        return;
    }
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(
            QStringLiteral("cannot write %1: %2").arg(target, file.errorString()).toStdString());
    file.write(text.toUtf8());
    file.write("\n");
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
    std::unique_ptr<ControlBase> control = ControlFactory::Create(kind);
    if (!control) {
        std::fprintf(stderr, "k7 show: no control named '%s' (known: %s)\n", qPrintable(kind),
                     qPrintable(ControlFactory::Names().join(QStringLiteral(", "))));
        return 2;
    }
    control->setWindowTitle(QStringLiteral("k7 show %1").arg(kind));
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
    ok = CallHost("Refresh(False)", [&] { control->Refresh(false); }) && ok;
    if (options.Opened)
        ok = CallHost("Refresh(True)", [&] { control->Refresh(true); }) && ok;

    if (options.WaitMs > 0) {
        QEventLoop loop;
        QTimer::singleShot(options.WaitMs, &loop, &QEventLoop::quit);
        loop.exec();
    }

    const bool interactive = options.Dump.isEmpty() && options.Screenshot.isEmpty() && options.Save.isEmpty();
    if (!options.Dump.isEmpty()) {
        auto document = ControlDump::Build(*control);
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
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kShowHelp, stdout);
        return 0;
    }
    ShowOptions options;
    try {
        options = ParseOptions(args);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "k7 show: %s\n\n%s", error.what(), kShowHelp);
        return 2;
    }
    HostPlatform::Prepare();
    QApplication application(argc, argv);
    try {
        return Show(options);
    } catch (const RuntimeError& error) {
        std::fprintf(stderr, "k7 show: %s\n", qPrintable(error.FailureText()));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "k7 show: %s\n", error.what());
    }
    return 1;
}

} // namespace k7::cli
