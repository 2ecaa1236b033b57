#pragma once

#include "PlantNoise.h"

#include <cstdint>

namespace k7::plant {

// One machine cycle, in plant seconds (PlantTime).
struct Cycle {
    int64_t Start = 0;
    int64_t Duration = 0;
    int32_t Counter = 0; // 1 for the first cycle of the day, then counting up
};

// The cycles of one process. Every day starts a fresh run at midnight; each cycle lasts about the
// target time, some noticeably longer (a jam, a missing part), and the day's last cycle is cut at
// midnight. The schedule is a pure function of the seed, so any instant can be asked for directly.
class CycleSchedule {
public:
    CycleSchedule(PlantNoise noise, int64_t processKey, int targetSeconds);

    // The cycle running at `second`.
    Cycle At(int64_t second) const;
    // The cycle that follows `cycle`.
    Cycle Next(const Cycle& cycle) const;
    // Start of the `count`-th cycle after the one running at `second` (1: the next cycle).
    int64_t StartAfter(int64_t second, int count) const;

private:
    // Length the `index`-th cycle (0-based) of day `day` would take if the day did not end.
    int64_t PlannedLength(int64_t day, int32_t index) const;
    Cycle Make(int64_t day, int32_t index, int64_t start) const;

    PlantNoise noise_;
    int64_t processKey_;
    int targetSeconds_;
};

} // namespace k7::plant
