#pragma once

#include "frame/requests/WriteJournal.h"
#include "service/RestClient.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace k7 {
class BackgroundRequest;
class ServiceControl;
struct ServiceReply;
} // namespace k7

namespace k7::cli {

// How long to wait before sending an unconfirmed write again: First before the first resend,
// doubling with every further one up to Longest, each wait varied by +-Spread so that the terminals
// of a plant that lost the service together do not all come back in the same second.
struct ResendBackoff {
    std::chrono::milliseconds First{2000};
    std::chrono::milliseconds Longest{60000};
    double Spread = 0.2;

    // The wait before resend number `resend` (1 for the first); `unit` in [0, 1) picks where in
    // the spread it falls (0.5: the middle).
    std::chrono::milliseconds Delay(int resend, double unit) const;
};

// Store and forward for a terminal: sends the writes of its write journal that nobody has
// confirmed again, each under its own idempotency key, until the service books it or refuses it for
// good (WriteSender::SettledByAnswer). A refused-for-good entry is left to a supervisor
// (`k7 journal --retry/--dismiss`).
//
// At Start it takes every entry earlier runs left open (pending: the terminal died while it was
// out; unknown; refused for now). During the run it takes a write of a watched control only once
// its WriteFinished left it open, so a write still out is never sent twice at once; and it never
// has more than one send of an entry out. Sends go out on the frame's worker threads: the screen
// never waits for the service. The journal belongs to one terminal at a time.
class JournalForwarder : public QObject {
public:
    // A number in [0, 1).
    using Random = std::function<double()>;
    // Runs `due` on this thread's event loop after `wait`, unless the forwarder is gone by then.
    using Scheduler = std::function<void(std::chrono::milliseconds wait, std::function<void()> due)>;
    struct Timing {
        ResendBackoff Backoff;
        Random Unit;     // empty: the system's random source
        Scheduler After; // empty: a timer of the forwarder's
    };

    JournalForwarder(std::shared_ptr<WriteJournal> journal, RestClient::RequestFactory factory = {},
                     Timing timing = {}, QObject* parent = nullptr);
    ~JournalForwarder() override;

    // Plans a resend of every entry earlier runs left open. Call it before the controls can write.
    void Start();
    // Resends `control`'s writes that end without a settling answer.
    void Watch(ServiceControl& control);

    // Every resend that ended, in the order they ended (JournalId names the entry).
    const std::vector<WriteOutcome>& Forwarded() const { return forwarded_; }
    // Entries waiting for their next send or out now.
    int Planned() const { return static_cast<int>(resends_.size()); }

private:
    struct Resend {
        int Sent = 0; // resends so far in this run
        std::shared_ptr<BackgroundRequest> Out;
    };

    void Plan(qint64 id);
    void Send(qint64 id);
    void Arrived(qint64 id, WriteJournal::Attempt attempt, const ServiceReply& sent);

    std::shared_ptr<WriteJournal> journal_;
    RestClient::RequestFactory factory_;
    Timing timing_;
    std::map<qint64, Resend> resends_;
    std::vector<WriteOutcome> forwarded_;
};

} // namespace k7::cli
