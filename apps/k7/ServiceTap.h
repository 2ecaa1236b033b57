#pragma once

#include <QString>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace k7::cli {

// What a service saw of its clients, as ServiceTap counts it.
struct TapCounts {
    int64_t Requests = 0;
    // Requests received in each whole second since the tap's clock started.
    std::vector<int> PerSecond;
    // Requests per path: the request target without its query and leading slashes
    // ("processes/prod"), as the simulated plant counts them.
    std::map<QString, int64_t> Paths;
    int64_t ConnectionsOpened = 0;
    int ConnectionsOpen = 0;
    int ConnectionsPeak = 0;
    // From the end of each answered request to the first byte of its answer, in milliseconds.
    std::vector<float> LatencyMs;
    // Requests whose connection ended before any answer came (an outage cut them).
    int64_t Unanswered = 0;
};

// A small HTTP/1.1 relay on a free 127.0.0.1 port in front of a plain-HTTP service: every
// connection a client opens to the tap is matched by one the tap opens to the service, so the
// service sees exactly the connections and requests the clients make, and the tap counts them as
// they pass. It reads just enough of each request to count it (its head, then Content-Length bytes
// of body) and sets its Host header to the service's; answers pass through untouched, and the first
// byte of one after a request ends that request's latency (clients send a request only once the
// previous answer is in: libcurl does not pipeline).
//
// Close() makes the service unreachable for the clients (the tap stops listening, so a new
// connection is refused, and every open one is reset) until Reopen() listens on the same port
// again. The tap runs on a thread of its own, so the clients' own load does not delay what it
// measures beyond sharing the processor.
class ServiceTap {
public:
    // Listens at once; throws std::runtime_error when it cannot.
    ServiceTap(const QString& serviceHost, int servicePort);
    ~ServiceTap();
    ServiceTap(const ServiceTap&) = delete;
    ServiceTap& operator=(const ServiceTap&) = delete;

    int Port() const { return port_; }
    // Seconds are counted from here (and from construction until then).
    void StartClock();
    double Elapsed() const;

    void Close();
    void Reopen();
    // Passes no further request on, and waits up to `waitMs` for those passed on to be answered:
    // then every request counted has reached the service and been answered or cut.
    void Finish(int waitMs);

    TapCounts Counts() const;

    // The tap's own bookkeeping, for the connections it relays (on the tap's thread).
    void RequestReceived(const QString& path);
    void RequestAnswered(std::chrono::steady_clock::time_point asked);
    void RequestCut();
    void ConnectionOpened();
    void ConnectionClosed();

private:
    class Relay;
    void Stop();
    int SecondNow() const;

    QThread thread_;
    Relay* relay_ = nullptr;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable settled_;
    std::chrono::steady_clock::time_point start_;
    int unanswered_ = 0; // requests passed on and not yet answered or cut
    TapCounts counts_;
};

} // namespace k7::cli
