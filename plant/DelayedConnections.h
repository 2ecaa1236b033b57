#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

struct MHD_Connection;

namespace k7::plant {

// Connections the server suspended to answer them late, and the one thread that resumes each when
// its time comes. A delayed answer thus holds no server thread: a plant told to answer one path
// after 30 s answers every other path at once, whatever the size of its thread pool.
class DelayedConnections {
public:
    using Clock = std::chrono::steady_clock;

    DelayedConnections();
    ~DelayedConnections(); // after ResumeAll: a connection is gone once its server stopped

    // Resumes `connection`, suspended by the caller, at `due`.
    void Add(MHD_Connection* connection, Clock::time_point due);
    // Resumes every connection now, due or not (the server stops: it ends them).
    void ResumeAll();

private:
    void Run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::multimap<Clock::time_point, MHD_Connection*> due_; // under mutex_
    bool ending_ = false;                                   // under mutex_
    std::thread thread_;
};

} // namespace k7::plant
