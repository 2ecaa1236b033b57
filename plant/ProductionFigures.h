#pragma once

#include "PlantNoise.h"
#include "PlantProcess.h"

#include <cstdint>

namespace k7::plant {

// What one process did over a stretch of time, before any booked scrap is taken into account.
struct Output {
    double Hours = 0;       // hours covered
    double ActiveHours = 0; // of which the machine ran
    double Theoretical = 0; // parts at the target cycle time over all covered hours
    double Activity = 0;    // parts at the target cycle time over the running hours
    double Produced = 0;    // parts actually made
    double Scrap = 0;       // parts scrapped without anyone booking them
    double Rework = 0;      // parts sent to rework
};

// The hour-by-hour behaviour of one process: how much of each clock hour the machine ran
// (availability), how close to the target speed (performance) and how much of its output was bad.
// Each day has a character of its own (a good day, a day with trouble) and a rare hour is a
// breakdown, so day and period figures spread the way a real shop floor's do.
class ProductionFigures {
public:
    ProductionFigures(PlantNoise noise, int64_t processKey, const PlantProcess& process);

    // The sums over [from, to) in plant seconds; nothing when `to` <= `from`.
    Output Between(int64_t from, int64_t to) const;

    // Rates of clock hour `hour` (hours since the zero date).
    double Availability(int64_t hour) const;
    double Performance(int64_t hour) const;
    double ScrapRate(int64_t hour) const;
    double ReworkRate(int64_t hour) const;
    bool IsBreakdown(int64_t hour) const;

private:
    PlantNoise noise_;
    int64_t processKey_;
    double partsPerHour_;
    double availability_;
};

} // namespace k7::plant
