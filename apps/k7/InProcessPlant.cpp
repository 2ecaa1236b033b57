#include "InProcessPlant.h"

#include "demo/DemoConnection.h"

#include <cstdio>

namespace k7::cli {

std::unique_ptr<plant::PlantService> StartInProcessPlant(const char* tool,
                                                         FormDefaults::Connection& connection) {
    auto plant = std::make_unique<plant::PlantService>();
    plant->Start(0);
    std::fprintf(stderr, "%s: simulated plant at %s\n", tool, qPrintable(plant->BaseUrl()));
    connection.APIHost = plant->BaseUrl();
    if (connection.Company.isEmpty())
        connection.Company = demo::DemoConnection::Company();
    if (connection.Session.isEmpty())
        connection.Session = demo::DemoConnection::Session();
    return plant;
}

} // namespace k7::cli
