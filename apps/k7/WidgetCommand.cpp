#include "WidgetCommand.h"

#include "HostPlatform.h"

#include "core/RuntimeError.h"
#include "frame/requests/WriteJournal.h"

#include <QApplication>
#include <QScopeGuard>

#include <utility>

namespace k7::cli {

QString OptionValue(const QStringList& args, int& i) {
    if (i + 1 >= args.size() || args[i + 1].isEmpty())
        throw UsageError(QStringLiteral("%1 needs a value").arg(args[i]).toStdString());
    return args[++i];
}

double OptionSeconds(const QString& option, const QString& text, double least) {
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !(number >= least))
        throw UsageError(QStringLiteral("bad value '%1' for %2").arg(text, option).toStdString());
    return number;
}

void TakeFormArgument(const QString& arg, bool& formGiven, QString& form) {
    if (arg.startsWith(QLatin1String("--")))
        throw UsageError(QStringLiteral("unknown option %1").arg(arg).toStdString());
    if (std::exchange(formGiven, true))
        throw UsageError(QStringLiteral("one form at a time ('%1' and '%2')").arg(form, arg).toStdString());
    form = arg;
}

int RunWithApplication(const char* name, int argc, char** argv, const QString& journal,
                       const std::function<int()>& body) {
    HostPlatform::Prepare();
    QApplication application(argc, argv);
    // The journal goes before the application: its database connection needs the SQL plugin.
    const auto closeJournal = qScopeGuard([] { WriteJournal::StopUsing(); });
    try {
        if (!journal.isEmpty())
            WriteJournal::Use(journal);
        return body();
    } catch (const RuntimeError& error) {
        std::fprintf(stderr, "%s: %s\n", name, qPrintable(error.FailureText()));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", name, error.what());
    }
    return 1;
}

} // namespace k7::cli
