#include "PlantNoise.h"

namespace k7::plant {

// SplitMix64's finaliser: cheap, and every input bit reaches every output bit.
uint64_t PlantNoise::Mix(uint64_t value) {
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

double PlantNoise::Uniform(uint64_t salt, int64_t a, int64_t b, int64_t c) const {
    uint64_t hash = Mix(seed_ ^ Mix(salt));
    hash = Mix(hash ^ static_cast<uint64_t>(a));
    hash = Mix(hash ^ static_cast<uint64_t>(b));
    hash = Mix(hash ^ static_cast<uint64_t>(c));
    return static_cast<double>(hash >> 11) * 0x1.0p-53;
}

double PlantNoise::Between(double low, double high, uint64_t salt, int64_t a, int64_t b, int64_t c) const {
    return low + Uniform(salt, a, b, c) * (high - low);
}

} // namespace k7::plant
