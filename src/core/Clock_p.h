#pragma once

#include "core/Date.h"

namespace k7 {

// "Now" for every part of the library. Tests and the simulated plant set it so that time-driven
// behaviour is exact and repeatable; left alone it follows the system's local time.
class Clock {
public:
    static Date Now();

    // Freezes the clock at `now` until Advance, another Set or UseSystemTime.
    static void Set(Date now);
    static void AdvanceSeconds(double seconds);
    static void UseSystemTime();
};

} // namespace k7
