#pragma once

#include "frame/requests/ServiceExchange_p.h"
#include "service/RequestCancel_p.h"

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

namespace k7 {

// A request to the plant's service carried out on a worker thread for a control in NonBlocking
// mode, so that the user-interface thread never waits for the network. The exchange runs on a
// worker of the frame's own pool (one thread per request out at a time, so one stalled service path
// holds up no other control); its outcome is then handed to `done` on the receiver's thread, through
// that thread's event loop, in a later turn of it.
//
// Abandon() (the control is going) cancels the exchange where it stands: the transfer ends within
// milliseconds instead of waiting out a stalled reply, and `done` never runs. A destroyed receiver
// never sees its outcome either. When the application object goes, every request still out is
// abandoned and the workers are waited for, so closing a terminal never waits for a slow reply and
// no worker outlives the libraries it uses.
class BackgroundRequest {
public:
    using Exchange = std::function<ServiceReply()>;
    using Done = std::function<void(const ServiceReply&)>;

    static std::shared_ptr<BackgroundRequest> Start(QObject& receiver, Exchange exchange, Done done);

    ~BackgroundRequest();
    BackgroundRequest(const BackgroundRequest&) = delete;
    BackgroundRequest& operator=(const BackgroundRequest&) = delete;

    // On the receiver's thread.
    void Abandon() noexcept;

    // Requests whose exchange has not yet ended, of all receivers.
    static int Running();
    // Waits up to `milliseconds` (-1: for good) until no exchange runs; true when none does.
    static bool WaitForAll(int milliseconds);
    // Abandons every request still out and waits for the workers to end (milliseconds once the
    // transfers are cancelled). Runs by itself when the application object goes.
    static void AbandonAll() noexcept;

private:
    BackgroundRequest(QObject& receiver, Done done);
    static void Run(const std::shared_ptr<BackgroundRequest>& self, const Exchange& exchange) noexcept;
    void Deliver(const ServiceReply& reply);

    std::mutex mutex_;
    QObject* receiver_; // null once abandoned
    Done done_;
    RequestCancel cancel_;
};

} // namespace k7
