#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace k7::plant {

// A fault injected on one path of the simulated plant, for tests and demos.
struct Fault {
    int Status = 0;                 // HTTP status to answer with (0: keep the normal status)
    QString Reason;                 // reason phrase of the status line ("" = the standard one)
    int DelayMs = 0;                // wait before answering
    std::optional<QString> RawBody; // body sent as it stands instead of the computed reply
    bool DropConnection = false;    // close the connection without answering
};

// The simulated plant REST service: real HTTP on 127.0.0.1, stateful figures, fault injection
// per path and a count of the requests served per path.
class PlantService {
public:
    PlantService();
    ~PlantService(); // stops the server
    PlantService(const PlantService&) = delete;
    PlantService& operator=(const PlantService&) = delete;

    // Binds 127.0.0.1:`port` (0: a free port) and serves on background threads. Returns the port.
    int Start(int port = 0);
    void Stop();
    int Port() const;
    // "http://127.0.0.1:PORT/": what a host puts in APIHost (paths may add a second "/").
    QString BaseUrl() const;

    // Faults, keyed by the path without its leading slashes ("processes/prod").
    void InjectFault(const QString& path, const Fault& fault);
    void ClearFaults();

    // Requests served on a path (without leading slashes), and in all.
    int RequestCount(const QString& path) const;
    int TotalRequests() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace k7::plant
