#include "ServiceWatchdog.h"

#ifdef K7_HAVE_LIBSYSTEMD
#include <systemd/sd-daemon.h>
#endif

#include <algorithm>
#include <cstdint>

namespace k7::cli {

namespace {

void Notify([[maybe_unused]] const char* state) {
#ifdef K7_HAVE_LIBSYSTEMD
    // The environment stays: the watchdog goes on reading it, and children need none of it.
    sd_notify(0, state);
#endif
}

// The watchdog period systemd asked this process for, in microseconds; 0 for none.
std::uint64_t WatchdogPeriodUs() {
#ifdef K7_HAVE_LIBSYSTEMD
    std::uint64_t period = 0;
    if (sd_watchdog_enabled(0, &period) > 0)
        return period;
#endif
    return 0;
}

} // namespace

ServiceWatchdog::ServiceWatchdog(QObject* parent) : QObject(parent) {
    const std::uint64_t period = WatchdogPeriodUs();
    if (period == 0)
        return;
    // Half the period, as systemd advises: one late ping is no restart, two missed ones are.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(static_cast<int>(std::max<std::uint64_t>(period / 2000, 1)));
    connect(&timer_, &QTimer::timeout, this, [] { Notify("WATCHDOG=1"); });
    timer_.start();
}

void ServiceWatchdog::NotifyReady() {
    Notify("READY=1");
}

} // namespace k7::cli
