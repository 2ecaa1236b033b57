#include "OpenFileLimit.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>

namespace k7::plant {

size_t RaiseOpenFileLimitForConnections() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return SIZE_MAX;
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    if (limit.rlim_cur == RLIM_INFINITY)
        return SIZE_MAX;
    return std::max<size_t>(1, static_cast<size_t>(limit.rlim_cur / 2));
}

} // namespace k7::plant
