#pragma once

#include <cstddef>

namespace k7::plant {

// Raises the process's soft limit on open descriptors to its hard limit, so that a server of this
// process can hold thousands of connections, and returns how many connections it may hold: half
// the descriptors, the other half left for whatever else the process opens (a host's own
// connections and files, the clients of a test or a benchmark).
size_t RaiseOpenFileLimitForConnections();

} // namespace k7::plant
