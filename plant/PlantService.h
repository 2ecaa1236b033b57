#pragma once

#include "ServerLimits.h"
#include "WriteBook.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace k7::plant {

class PlantModel;

// A fault injected on one path of the simulated plant, for tests and demos.
struct Fault {
    int Status = 0;                   // HTTP status to answer with (0: keep the normal status)
    QString Reason{};                 // reason phrase of the status line ("" = the standard one)
    int DelayMs = 0;                  // wait before answering
    std::optional<QString> RawBody{}; // body sent as it stands instead of the computed reply
    bool DropConnection = false;      // close the connection without answering
    bool LoseReply = false;           // carry the request out, then close without answering
};

// The simulated plant REST service: real HTTP on 127.0.0.1, stateful figures, fault injection
// per path and a count of the requests served per path.
//
// Every request is counted, faulted or not. A fault with a Status or a RawBody answers in place of
// the plant, which then does not see the request (a failed booking books nothing); a fault with
// only a Reason or a delay lets the plant answer and changes the status line or the timing. A lost
// reply lets the plant carry the request out (a booking is booked) and then ends the connection
// without a word, as when the answer dies on the way back. A custom reason phrase, a 400 naming the
// bad query parameter and a dropped or lost reply end the connection; everything else keeps it
// alive.
//
// Writes (POST, PATCH, DELETE) may carry an "Idempotency-Key" header. The plant remembers its own
// answer to each write it carried out with a key; the same key again gets that answer and changes
// nothing. A write answered by a fault in place of the plant books nothing, so its retry is carried
// out. GET "/simulator/writes", outside the service's paths and never faulted or counted, lists the
// writes carried out (WriteBook::Listing), so tests and users can see what reached the plant.
class PlantService {
public:
    PlantService();
    // A plant whose figures follow `seed` (PlantModel::DefaultSeed for the default constructor).
    // The model opens at Clock::Now(): set the clock first for repeatable figures.
    explicit PlantService(uint64_t seed);
    ~PlantService(); // stops the server
    PlantService(const PlantService&) = delete;
    PlantService& operator=(const PlantService&) = delete;

    // What one client may hold of the server; applies from the next Start.
    void SetLimits(const ServerLimits& limits);

    // Binds 127.0.0.1:`port` (0: a free port) and serves on background threads. Returns the port.
    // Throws std::runtime_error when the port cannot be bound, std::logic_error when already serving.
    int Start(int port = 0);
    void Stop();
    int Port() const;
    // "http://127.0.0.1:PORT/": what a host puts in APIHost (paths may add a second "/").
    QString BaseUrl() const;

    // Faults, keyed by the path without its leading slashes ("processes/prod"); the key "*"
    // applies to every path without a fault of its own. A new fault replaces the path's old one.
    void InjectFault(const QString& path, const Fault& fault);
    void ClearFaults();

    // Requests served on a path (without leading slashes), and in all.
    int RequestCount(const QString& path) const;
    int TotalRequests() const;
    void ResetCounts();

    // The writes carried out, in order.
    std::vector<BookedWrite> Writes() const;

    // Runs `action` on the plant's model under the lock the server threads take.
    void WithModel(const std::function<void(PlantModel&)>& action);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace k7::plant
