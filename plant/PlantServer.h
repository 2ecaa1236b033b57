#pragma once

#include "DelayedConnections.h"
#include "PlantReply.h"
#include "ServerLimits.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

struct MHD_Daemon;

namespace k7::plant {

// One request as the plant reads it.
struct PlantRequest {
    QString Method;
    QByteArray Target; // as received: the path, then optionally "?" and the query, nothing decoded
    QString Path;      // the path decoded
    QString IdempotencyKey;
};

// What the plant does with a request: answer it, end the connection without a word, or wait and
// then decide.
struct PlantAnswer {
    std::optional<PlantReply> Reply;   // none: the connection ends without an answer
    std::chrono::milliseconds Delay{}; // above zero: wait this long, then ask Then
    std::function<PlantAnswer()> Then;

    static PlantAnswer With(PlantReply reply) { return {std::move(reply), {}, {}}; }
    static PlantAnswer Silence() { return {}; }
    static PlantAnswer After(std::chrono::milliseconds delay, std::function<PlantAnswer()> then) {
        return {std::nullopt, delay, std::move(then)};
    }
};

// The plant's HTTP server on 127.0.0.1: libmicrohttpd's event loops on a small pool of threads,
// so thousands of kept-alive clients, slow or silent ones among them, cost memory, not threads.
//
// - Past ServerLimits::MostConnections newcomers wait in the listen queue (its backlog is as deep
//   as the kernel allows) until a connection ends; none is closed unanswered. The process's limit
//   on open files is raised to hold them, and the server says so when it cannot.
// - A connection silent for IdleTimeout ends; a request head longer than its memory allows is
//   refused by the library.
// - A client that half-closes after its request still gets the answer.
// - Bodies are counted and dropped as they arrive, never kept: the plant reads nothing from them.
//   A body declared larger than MostBodyBytes is answered 413 at once without being read, and the
//   connection ends; a chunked body past the limit is answered 413 once it has arrived.
// - POST and PATCH without a body need not say "Content-Length: 0".
// - A delayed answer suspends its connection; a timer resumes it (DelayedConnections).
// - A reply with a reason phrase of its own is written around the library (RawConnection), and
//   its connection ends.
class PlantServer {
public:
    using Handler = std::function<PlantAnswer(const PlantRequest&)>;

    PlantServer(const ServerLimits& limits, Handler handler);
    ~PlantServer(); // Stop
    PlantServer(const PlantServer&) = delete;
    PlantServer& operator=(const PlantServer&) = delete;

    // Listens on 127.0.0.1:`port` (0: a free port) and serves. Returns the port, or -1 when the port
    // cannot be bound. The address is reusable at once after a Stop.
    int Start(int port);
    // Ends every connection, delayed ones among them, and stops listening.
    void Stop();

    // The library's callbacks, reached through the server as their closure.
    struct Exchange;
    // False: the connection ends without (another) word.
    bool Access(struct MHD_Connection* connection, Exchange& exchange, const char* method, const char* url,
                const char* upload, size_t* uploadSize);

private:
    bool Deliver(struct MHD_Connection* connection, Exchange& exchange, PlantAnswer answer);
    bool AnswerTooLarge(struct MHD_Connection* connection) const;
    // False when the server stops: the connection ends instead.
    bool Suspend(struct MHD_Connection* connection, std::chrono::milliseconds delay);

    ServerLimits limits_;
    Handler handler_;
    MHD_Daemon* daemon_ = nullptr;
    DelayedConnections delayed_;

    std::mutex mutex_;
    std::condition_variable resumed_;
    bool stopping_ = false; // under mutex_
    size_t suspended_ = 0;  // under mutex_
};

} // namespace k7::plant
