#include "Commands.h"

#include "plant/PlantOptions.h"
#include "plant/PlantService.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <pthread.h>

// k7 plant: the simulated plant as a process of its own, for demos and for hosts under test.
int k7::cli::RunPlant(int, char**, const QStringList& args) {
    using namespace k7::plant;
    PlantOptions options;
    try {
        options = PlantOptions::Parse(args);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "k7 plant: %s\n\n%s", error.what(), qPrintable(PlantOptions::Usage()));
        return 2;
    }
    if (options.Help) {
        std::fputs(qPrintable(PlantOptions::Usage()), stdout);
        return 0;
    }

    // Block the stop signals before the server threads exist, so they inherit the mask and the
    // signals reach the sigwait below instead of killing the process mid-reply.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    PlantService plant(options.Seed);
    for (const auto& [path, fault] : options.Faults)
        plant.InjectFault(path, fault);
    try {
        plant.Start(options.Port);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "k7 plant: %s\n", error.what());
        return 1;
    }
    std::printf("k7 plant listening on %s\n", qPrintable(plant.BaseUrl()));
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    plant.Stop();
    std::fprintf(stderr, "k7 plant: stopped after %d requests\n", plant.TotalRequests());
    return 0;
}
