#pragma once

#include <QString>

namespace k7::cli {

// The widget platform of the k7 host: the offscreen platform when the machine has no display, so
// show and demo also run on build servers and in tests.
class HostPlatform {
public:
    // Call before creating the QApplication: picks "offscreen" when neither DISPLAY nor
    // WAYLAND_DISPLAY is set and the user did not choose a platform (QT_QPA_PLATFORM).
    static void Prepare();
    // True when the running application has no screen to show windows on.
    static bool Headless();
    // Before the application exists: why it will have no screen ("no DISPLAY or WAYLAND_DISPLAY",
    // "QT_QPA_PLATFORM=offscreen"), or "" when it will have one.
    static QString NoDisplayReason();
};

} // namespace k7::cli
