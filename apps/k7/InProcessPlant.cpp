#include "InProcessPlant.h"

#include <cstdio>

namespace k7::cli {

std::unique_ptr<plant::PlantService> StartInProcessPlant(const char* tool,
                                                         FormDefaults::Connection& connection) {
    auto plant = std::make_unique<plant::PlantService>();
    plant->Start(0);
    std::fprintf(stderr, "%s: simulated plant at %s\n", tool, qPrintable(plant->BaseUrl()));
    connection.APIHost = plant->BaseUrl();
    if (connection.Company.isEmpty())
        connection.Company = QStringLiteral("ORV");
    if (connection.Session.isEmpty())
        connection.Session = QStringLiteral("DEMO");
    return plant;
}

} // namespace k7::cli
