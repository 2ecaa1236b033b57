#include "HostPlatform.h"

#include <QGuiApplication>

namespace k7::cli {

namespace {
// The platforms that draw into memory only.
bool DrawsNowhere(const QString& platform) {
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}
} // namespace

void HostPlatform::Prepare() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool HostPlatform::Headless() {
    return DrawsNowhere(QGuiApplication::platformName());
}

QString HostPlatform::NoDisplayReason() {
    // The platform chosen is what Prepare leaves in QT_QPA_PLATFORM (options after ':' aside).
    const QString chosen = qEnvironmentVariable("QT_QPA_PLATFORM").section(QLatin1Char(':'), 0, 0);
    if (!chosen.isEmpty())
        return DrawsNowhere(chosen) ? QStringLiteral("QT_QPA_PLATFORM=") + chosen : QString();
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set");
    return {};
}

} // namespace k7::cli
