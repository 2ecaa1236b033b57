#pragma once

#include "FormDefaults.h"

#include "plant/PlantService.h"

#include <memory>

namespace k7::cli {

// The simulated plant a command runs inside its own process for --plant: started on a free
// 127.0.0.1 port, its address said on standard error as "TOOL: simulated plant at URL", and
// `connection` pointed at it, with the demo's Company and Session (DemoConnection) unless they were given.
std::unique_ptr<plant::PlantService> StartInProcessPlant(const char* tool,
                                                         FormDefaults::Connection& connection);

} // namespace k7::cli
