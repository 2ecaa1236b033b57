#include "WidgetCommand.h"

#include "HostPlatform.h"

#include "core/RuntimeError.h"
#include "frame/WriteJournal.h"

#include <QApplication>
#include <QScopeGuard>

namespace k7::cli {

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
