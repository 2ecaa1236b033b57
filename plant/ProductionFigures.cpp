#include "ProductionFigures.h"

#include "PlantTime.h"

#include <algorithm>

namespace k7::plant {

namespace {
constexpr uint64_t SaltDayShift = 0x61;
constexpr uint64_t SaltHourAvailability = 0x62;
constexpr uint64_t SaltBreakdown = 0x63;
constexpr uint64_t SaltPerformance = 0x64;
constexpr uint64_t SaltScrap = 0x65;
constexpr uint64_t SaltRework = 0x66;
constexpr double BreakdownShare = 0.04;
} // namespace

ProductionFigures::ProductionFigures(PlantNoise noise, int64_t processKey, const PlantProcess& process)
    : noise_(noise), processKey_(processKey), partsPerHour_(process.PartsPerHour()),
      availability_(process.Availability) {}

bool ProductionFigures::IsBreakdown(int64_t hour) const {
    return noise_.Uniform(SaltBreakdown, processKey_, hour) < BreakdownShare;
}

double ProductionFigures::Availability(int64_t hour) const {
    const int64_t day = Dates::FloorDiv(hour, 24);
    // Most days run a little below the usual level, a few clearly worse, some slightly better.
    const double dayShift = noise_.Between(-0.25, 0.1, SaltDayShift, processKey_, day);
    double availability =
        availability_ + dayShift + noise_.Between(-0.06, 0.06, SaltHourAvailability, processKey_, hour);
    if (IsBreakdown(hour))
        availability *= 0.3;
    return std::clamp(availability, 0.05, 0.99);
}

double ProductionFigures::Performance(int64_t hour) const {
    return noise_.Between(0.88, 0.99, SaltPerformance, processKey_, hour);
}

double ProductionFigures::ScrapRate(int64_t hour) const {
    return noise_.Between(0.0, 0.03, SaltScrap, processKey_, hour);
}

double ProductionFigures::ReworkRate(int64_t hour) const {
    return noise_.Between(0.0, 0.015, SaltRework, processKey_, hour);
}

Output ProductionFigures::Between(int64_t from, int64_t to) const {
    Output output;
    if (to <= from)
        return output;
    const int64_t firstHour = Dates::FloorDiv(from, PlantTime::SecondsPerHour);
    const int64_t lastHour = Dates::FloorDiv(to - 1, PlantTime::SecondsPerHour);
    for (int64_t hour = firstHour; hour <= lastHour; ++hour) {
        const int64_t begin = std::max(from, hour * PlantTime::SecondsPerHour);
        const int64_t end = std::min(to, (hour + 1) * PlantTime::SecondsPerHour);
        const double weight = static_cast<double>(end - begin) / PlantTime::SecondsPerHour;
        const double active = weight * Availability(hour);
        const double produced = active * Performance(hour) * partsPerHour_;
        output.Hours += weight;
        output.ActiveHours += active;
        output.Produced += produced;
        output.Scrap += produced * ScrapRate(hour);
        output.Rework += produced * ReworkRate(hour);
    }
    output.Theoretical = output.Hours * partsPerHour_;
    output.Activity = output.ActiveHours * partsPerHour_;
    return output;
}

} // namespace k7::plant
