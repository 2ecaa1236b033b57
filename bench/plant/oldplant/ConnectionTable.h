#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>

namespace k7::oldplant {

// The connections the plant's server threads hold and what each is doing, so that room can be
// made for a newcomer when every thread is taken.
//
// A connection is idle while it has no request being handled: waiting for the next request of a
// kept-alive client, or receiving one. Clients that connect and say nothing, or trickle a request
// byte by byte, stay idle until their time-outs end them (ServerLimits); with threads capped, enough
// of them would keep every later client waiting in the queue all that time. So when a connection has to
// queue, the one idle longest is shut down (shed) and its thread serves the newcomer. A connection with a
// request being handled is never shed; when none is idle, the next connection to fall idle is shed instead.
// So there are always as many sheds under way as connections waiting for a thread, and a newcomer waits only
// as long as a shed thread takes to end its connection. Oldest first keeps a fresh connection, whose request
// is about to come, safe from the flood.
class ConnectionTable {
public:
    using Id = uint64_t;

    // A connection has to wait for a thread: makes room for it.
    void Queue();
    // A connection given a thread; idle from now, its socket not known yet. Binds it to the calling
    // thread until the next Open there (see Current).
    Id Open();
    // The connection opened last on the calling thread.
    static Id Current();
    // The connection `id` serves `socket`. False when it was shed before: the caller closes it.
    bool Attach(Id id, int socket);
    // A request is being handled on `id`.
    void SetBusy(Id id);
    // `id` waits for its next request. False when it is shed: the caller ends it.
    bool SetIdle(Id id);
    // `id`'s socket is about to be closed: it is shed no more, but its thread still counts as
    // taken until Finish.
    void Release(Id id);
    // `id`'s thread is done with it, and serves a connection that waited (`takesWaiting`) or ends.
    // One step, so the room a shed made and the connection it was made for are counted off together.
    void Finish(Id id, bool takesWaiting);
    // Sheds every connection, now and any opened later (the server stops).
    void ShedAll();

private:
    struct Entry {
        int Socket = -1;
        bool Busy = false;
        bool IsShed = false;
        bool Released = false;
        std::chrono::steady_clock::time_point IdleSince;
    };
    // Under mutex_: sheds the connections idle longest until every waiting connection has one shed
    // under way for it.
    void MakeRoomLocked();
    void ShedLocked(Entry& entry);

    std::mutex mutex_;
    std::map<Id, Entry> entries_;
    Id next_ = 1;
    size_t waiting_ = 0;  // connections waiting for a thread
    size_t shedding_ = 0; // connections shed whose threads have not closed them yet
    bool stopping_ = false;
};

} // namespace k7::oldplant
