#pragma once

#include <QObject>
#include <QTimer>

namespace k7::cli {

// The terminal's side of systemd's service watchdog. Started by a unit with WatchdogSec=, the
// terminal pings (WATCHDOG=1) from the timer of the thread that owns this object, the user-interface
// thread: when its event loop stops turning (a modal dialog nobody answers, a hang in a driver) the
// pings stop, and systemd kills and restarts the screen. READY=1 says the screen is open, so a unit
// of Type=notify counts the start as done only then.
//
// Outside systemd (no NOTIFY_SOCKET), or in a build without libsystemd, nothing is sent.
class ServiceWatchdog : public QObject {
public:
    // Starts pinging at half the period systemd gives (WATCHDOG_USEC), when it gives one.
    explicit ServiceWatchdog(QObject* parent = nullptr);

    // Tells systemd the terminal is up; call it once the screen is open.
    void NotifyReady();

    // Milliseconds between pings; 0 when there is no watchdog to ping.
    int IntervalMs() const { return timer_.isActive() ? timer_.interval() : 0; }

private:
    QTimer timer_;
};

} // namespace k7::cli
