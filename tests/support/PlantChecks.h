#pragma once

#include "plant/PlantModel.h"
#include "plant/PlantService.h"

namespace k7::plant::test {

// The scrap bookings the plant's model holds.
inline size_t Bookings(PlantService& plant) {
    size_t count = 0;
    plant.WithModel([&](PlantModel& model) { count = model.Bookings().size(); });
    return count;
}

} // namespace k7::plant::test
