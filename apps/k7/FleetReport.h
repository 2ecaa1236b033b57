#pragma once

#include "ServiceTap.h"

#include <QString>

#include <map>
#include <memory>
#include <optional>

namespace k7 {
class JsonBag;
}

namespace k7::cli {

// What `k7 fleet` reports of one run: the service's load as the tap counted it, and with an
// outage how the fleet came back. Every figure is worked out here from the counts, once.
class FleetReport {
public:
    struct Run {
        QString Form;
        QString Service;
        int Terminals = 0;
        double Seconds = 0;
        // The copies open within this many seconds; whole seconds before it are the opening.
        double OpeningSeconds = 0;
        // When the service was unreachable, in seconds on the fleet's clock.
        std::optional<double> OutageFrom, OutageTo;
        std::optional<double> AllFreshAfter;
        std::map<QString, int> NotFresh;
    };
    // The seconds after an outage in which its peak is looked for, and the seconds before it whose
    // mean is the steady rate (fewer when the opening took longer).
    static constexpr int kAfterOutageSeconds = 60;
    static constexpr int kSteadySeconds = 30;

    FleetReport(const TapCounts& counts, const Run& run);

    std::shared_ptr<JsonBag> Json() const;
    QString Text() const;

    // The value at `fraction` (0.5, 0.99) of `values` by nearest rank; 0 without values.
    static double Percentile(std::vector<float> values, double fraction);

private:
    struct Rate {
        double Mean = 0;
        int Peak = 0;
    };
    // Requests per second over the whole seconds [from, to) of the run; nullopt when empty.
    std::optional<Rate> RateOver(int from, int to) const;

    TapCounts counts_;
    Run run_;
    std::vector<int> perSecond_; // one entry per whole second of the run
    int opened_ = 0;             // the first second after the opening
    Rate load_;
    double p50_ = 0, p99_ = 0;
    // With an outage: the steady rate and its peak before it, the peak after it and the two set
    // against each other (nullopt where the run has no whole second to tell).
    std::optional<double> steady_, peakBefore_, peakAfter_, peakRatio_;
};

} // namespace k7::cli
