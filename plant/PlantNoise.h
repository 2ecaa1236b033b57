#pragma once

#include <cstdint>

namespace k7::plant {

// Repeatable randomness for the simulated plant. Every figure is a pure function of the seed and
// a key (process, hour, cycle number, ...), so a reply depends only on the seed, the clock and the
// bookings made, never on the order in which requests arrive.
class PlantNoise {
public:
    explicit PlantNoise(uint64_t seed) : seed_(seed) {}

    uint64_t Seed() const { return seed_; }

    // A number in [0, 1) for the key (a, b, c); `salt` separates independent quantities that share
    // a key (availability and performance of the same hour, for example).
    double Uniform(uint64_t salt, int64_t a, int64_t b = 0, int64_t c = 0) const;
    // `low` + Uniform * (`high` - `low`).
    double Between(double low, double high, uint64_t salt, int64_t a, int64_t b = 0, int64_t c = 0) const;

private:
    static uint64_t Mix(uint64_t value);

    uint64_t seed_;
};

} // namespace k7::plant
