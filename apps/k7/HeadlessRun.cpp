#include "HeadlessRun.h"

#include <QDir>
#include <QEventLoop>
#include <QObject>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <stdexcept>

namespace k7::cli {

namespace {

bool Snapshot(const QString& tool, QWidget& screen, const QString& path) {
    if (!screen.grab().save(path, "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", qPrintable(tool), qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);
    return true;
}

} // namespace

QString HeadlessRun::OutputDirectory(const QString& requested) {
    if (!requested.isEmpty()) {
        if (!QDir().mkpath(requested))
            throw std::runtime_error(QStringLiteral("cannot create %1").arg(requested).toStdString());
        return QDir(requested).absolutePath();
    }
    QTemporaryDir directory(QDir::temp().filePath(QStringLiteral("k7-demo-XXXXXX")));
    if (!directory.isValid())
        throw std::runtime_error("cannot create a directory for the screenshots");
    directory.setAutoRemove(false);
    return directory.path();
}

int HeadlessRun::Run(QWidget& screen) const {
    const QString out = OutputDirectory(Out);
    bool ok = Snapshot(Tool, screen, QDir(out).filePath(QStringLiteral("screen-open.png")));
    // One screenshot per period, then the final state.
    QObject context;
    int shot = 0;
    QTimer shooter;
    QObject::connect(&shooter, &QTimer::timeout, &context, [&] {
        ok = Snapshot(Tool, screen,
                      QDir(out).filePath(QStringLiteral("screen-%1.png").arg(++shot, 2, 10, QLatin1Char('0')))) &&
             ok;
    });
    shooter.start(ShotEveryMs);
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(Seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    shooter.stop();
    ok = Snapshot(Tool, screen, QDir(out).filePath(QStringLiteral("screen.png"))) && ok;
    return ok ? 0 : 1;
}

} // namespace k7::cli
