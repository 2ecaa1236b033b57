#pragma once

#include "core/Date.h"

#include <QString>

#include <cstdint>

namespace k7::plant {

// The plant keeps every instant as whole seconds since the runtime's zero date (1899-12-30
// 00:00:00): cycles, hours and days then fall on plain integer boundaries (a day starts at a
// multiple of 86400). These helpers are the only bridge to the runtime's date values.
namespace PlantTime {

constexpr int64_t SecondsPerHour = 3600;
constexpr int64_t SecondsPerDay = 86400;

// The instant `date`, to the nearest second.
int64_t Seconds(Date date);
// Back to a date value.
Date ToDate(int64_t seconds);
// "YYYYMMDDhhmmss", as the service writes timestamps.
QString Stamp(int64_t seconds);

} // namespace PlantTime
} // namespace k7::plant
