#pragma once

#include "PlantModel.h"
#include "PlantService.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>

namespace k7::plant {

// The command line of `k7 plant`: the port, the seed and the faults to inject. Parse throws
// std::invalid_argument with a message naming the offending argument.
struct PlantOptions {
    int Port = 0;
    uint64_t Seed = PlantModel::DefaultSeed;
    bool Help = false;
    std::map<QString, Fault> Faults; // by path; several flags on one path combine

    static PlantOptions Parse(const QStringList& args);
    static QString Usage();
};

} // namespace k7::plant
