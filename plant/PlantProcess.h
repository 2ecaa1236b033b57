#pragma once

#include "core/Variant.h"

#include <QString>

#include <vector>

namespace k7::plant {

// One scrap cause a process can book; the service lists it as "<Id>-<Text>".
struct ScrapCause {
    int Id = 0;
    QString Text;
    double Share = 0; // part of the process's everyday scrap that falls to this cause (ranks the list)
};

// A downtime reason an operator may give when justifying a stop.
struct DowntimeReason {
    QString Id;
    QString Text;
};

// The fixed description of one process of the simulated plant: what it makes, how fast, how well
// it usually runs, and the scrap causes and downtime reasons its operators choose from.
struct PlantProcess {
    QString Id;              // "P100"
    Variant ProductCode;     // text, or a number for a plant that numbers its tools
    int CycleTarget = 60;    // target cycle time, seconds
    int PartsPerCycle = 1;   // parts finished by one cycle
    double Availability = 0; // usual share of the time the machine runs (0..1)
    double OeeGreen = 85;    // day OEE (percent) from which the day counts as good
    double OeeYellow = 65;   // ... as acceptable
    std::vector<ScrapCause> Causes;
    std::vector<DowntimeReason> Downtimes;
    int FaiPendingMinutes = 0; // when the plant opens, an FAI has waited this long (0: none pending)

    // Theoretical output per hour at the target cycle time.
    double PartsPerHour() const { return 3600.0 / CycleTarget * PartsPerCycle; }

    // The demo plant: four processes of different character. P200 numbers its products.
    static std::vector<PlantProcess> DemoPlant();
};

} // namespace k7::plant
