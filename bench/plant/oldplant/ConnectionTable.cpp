#include "ConnectionTable.h"

#include <sys/socket.h>

namespace k7::oldplant {

namespace {
// Set where the connection's thread runs it: cpp-httplib hands the server only the socket.
thread_local ConnectionTable::Id current = 0;
} // namespace

void ConnectionTable::Queue() {
    std::lock_guard lock(mutex_);
    ++waiting_;
    MakeRoomLocked();
}

void ConnectionTable::MakeRoomLocked() {
    while (shedding_ < waiting_) {
        Entry* oldest = nullptr;
        for (auto& [id, entry] : entries_)
            if (!entry.Busy && !entry.IsShed && !entry.Released &&
                (!oldest || entry.IdleSince < oldest->IdleSince))
                oldest = &entry;
        if (!oldest)
            return; // every connection is busy: the next to fall idle makes the room
        ShedLocked(*oldest);
    }
}

ConnectionTable::Id ConnectionTable::Open() {
    std::lock_guard lock(mutex_);
    const Id id = next_++;
    Entry& entry = entries_[id];
    entry.IdleSince = std::chrono::steady_clock::now();
    if (stopping_)
        ShedLocked(entry);
    MakeRoomLocked();
    current = id;
    return id;
}

ConnectionTable::Id ConnectionTable::Current() {
    return current;
}

bool ConnectionTable::Attach(Id id, int socket) {
    std::lock_guard lock(mutex_);
    Entry& entry = entries_[id];
    entry.Socket = socket;
    return !entry.IsShed;
}

void ConnectionTable::SetBusy(Id id) {
    std::lock_guard lock(mutex_);
    entries_[id].Busy = true;
}

bool ConnectionTable::SetIdle(Id id) {
    std::lock_guard lock(mutex_);
    Entry& entry = entries_[id];
    entry.Busy = false;
    entry.IdleSince = std::chrono::steady_clock::now();
    MakeRoomLocked();
    return !entry.IsShed;
}

void ConnectionTable::Release(Id id) {
    std::lock_guard lock(mutex_);
    Entry& entry = entries_[id];
    entry.Released = true;
    entry.Socket = -1;
}

void ConnectionTable::Finish(Id id, bool takesWaiting) {
    std::lock_guard lock(mutex_);
    if (takesWaiting && waiting_ > 0)
        --waiting_;
    const auto entry = entries_.find(id);
    if (entry == entries_.end())
        return;
    if (entry->second.IsShed)
        --shedding_;
    entries_.erase(entry);
}

void ConnectionTable::ShedLocked(Entry& entry) {
    entry.IsShed = true;
    ++shedding_;
    // Wakes the connection's thread wherever it waits; it then ends the connection. The socket
    // stays open until that thread closes it, so its number cannot be reused meanwhile.
    if (entry.Socket >= 0)
        ::shutdown(entry.Socket, SHUT_RDWR);
}

void ConnectionTable::ShedAll() {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (auto& [id, entry] : entries_)
        if (!entry.IsShed)
            ShedLocked(entry);
}

} // namespace k7::oldplant
