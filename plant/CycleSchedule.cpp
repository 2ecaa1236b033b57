#include "CycleSchedule.h"

#include "PlantTime.h"

#include <algorithm>
#include <cmath>

namespace k7::plant {

namespace {
constexpr uint64_t SaltSlowCycle = 0x51;
constexpr uint64_t SaltCycleFactor = 0x52;
// About one cycle in eight overruns clearly; the others scatter around the target.
constexpr double SlowCycleShare = 0.12;
} // namespace

CycleSchedule::CycleSchedule(PlantNoise noise, int64_t processKey, int targetSeconds)
    : noise_(noise), processKey_(processKey), targetSeconds_(std::max(1, targetSeconds)) {}

int64_t CycleSchedule::PlannedLength(int64_t day, int32_t index) const {
    const bool slow = noise_.Uniform(SaltSlowCycle, processKey_, day, index) < SlowCycleShare;
    const double factor = slow ? noise_.Between(1.1, 2.2, SaltCycleFactor, processKey_, day, index)
                               : noise_.Between(0.82, 1.02, SaltCycleFactor, processKey_, day, index);
    return std::max<int64_t>(1, std::llround(targetSeconds_ * factor));
}

Cycle CycleSchedule::Make(int64_t day, int32_t index, int64_t start) const {
    const int64_t dayEnd = (day + 1) * PlantTime::SecondsPerDay;
    Cycle cycle;
    cycle.Start = start;
    cycle.Duration = std::min(start + PlannedLength(day, index), dayEnd) - start;
    cycle.Counter = index + 1;
    return cycle;
}

Cycle CycleSchedule::Next(const Cycle& cycle) const {
    const int64_t end = cycle.Start + cycle.Duration;
    const int64_t day = Dates::FloorDiv(cycle.Start, PlantTime::SecondsPerDay);
    if (end >= (day + 1) * PlantTime::SecondsPerDay)
        return Make(day + 1, 0, end);
    return Make(day, cycle.Counter, end);
}

Cycle CycleSchedule::At(int64_t second) const {
    const int64_t day = Dates::FloorDiv(second, PlantTime::SecondsPerDay);
    Cycle cycle = Make(day, 0, day * PlantTime::SecondsPerDay);
    while (cycle.Start + cycle.Duration <= second)
        cycle = Next(cycle);
    return cycle;
}

int64_t CycleSchedule::StartAfter(int64_t second, int count) const {
    Cycle cycle = At(second);
    for (int i = 0; i < count; ++i)
        cycle = Next(cycle);
    return cycle.Start;
}

} // namespace k7::plant
