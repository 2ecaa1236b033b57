#include "DelayedConnections.h"

#include <microhttpd.h>

namespace k7::plant {

DelayedConnections::DelayedConnections() : thread_(&DelayedConnections::Run, this) {}

DelayedConnections::~DelayedConnections() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void DelayedConnections::Add(MHD_Connection* connection, Clock::time_point due) {
    {
        std::lock_guard lock(mutex_);
        due_.emplace(due, connection);
    }
    changed_.notify_all();
}

void DelayedConnections::ResumeAll() {
    // Under the lock: a connection leaves the map and is resumed in one step, so it is resumed once.
    {
        std::lock_guard lock(mutex_);
        for (const auto& [due, connection] : due_)
            MHD_resume_connection(connection);
        due_.clear();
    }
    changed_.notify_all();
}

void DelayedConnections::Run() {
    std::unique_lock lock(mutex_);
    while (!ending_) {
        if (due_.empty()) {
            changed_.wait(lock);
            continue;
        }
        const auto first = due_.begin();
        // A copy: the wait lets go of the lock, and a ResumeAll meanwhile frees the map's node.
        const Clock::time_point due = first->first;
        if (due > Clock::now()) {
            changed_.wait_until(lock, due);
            continue;
        }
        MHD_resume_connection(first->second);
        due_.erase(first);
    }
}

} // namespace k7::plant
