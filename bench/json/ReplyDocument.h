#pragma once

// The documents the JSON benchmarks read: replies shaped like the production-table reply, an
// envelope whose data holds period objects of about twenty {"value": n} members each. The
// numbers come from a fixed pseudo-random sequence, so every run reads the same text.

#include <cstddef>
#include <cstdint>
#include <string>

namespace k7::bench {

constexpr const char* kMembers[] = {"capacity",    "target",        "produced",     "bad",
                                    "good",        "accumCapacity", "accumTarget",  "accumProduced",
                                    "accumBad",    "accumGood",     "plannedStops", "unplannedStops",
                                    "cycleTime",   "targetCycle",   "oee",          "availability",
                                    "performance", "quality",       "scrapRatio",   "reworkQuantity"};

// One period object: its number, its time span, the shift and twenty measured members.
inline void AppendPeriod(std::string& out, int period, uint32_t& seed) {
    const std::string hour = std::to_string(10 + period % 12);
    out += "{\"period\":" + std::to_string(period) + ",\"datefrom\":\"20240315" + hour +
           "0000\",\"dateto\":\"20240315" + hour + "5959\",\"shift\":\"" +
           (period % 3 == 0   ? "Night"
            : period % 3 == 1 ? "Morning"
                              : "Afternoon") +
           "\",\"label\":\"Period " + std::to_string(period) + "\"";
    for (const char* member : kMembers) {
        seed = seed * 1664525u + 1013904223u;
        const uint32_t r = seed >> 8;
        out += ",\"";
        out += member;
        out += "\":{\"value\":";
        if (r % 3 == 0)
            out += std::to_string(r % 100000) + "." + std::to_string(r % 100);
        else
            out += std::to_string(r % 5000);
        out += '}';
    }
    out += '}';
}

// Twelve periods at least, and more until the text reaches `targetBytes`.
inline std::string MakeReply(size_t targetBytes) {
    std::string out = "{\"status\":0,\"message\":\"Success\",\"data\":[";
    uint32_t seed = 12345;
    int period = 0;
    do {
        if (period > 0)
            out += ',';
        AppendPeriod(out, ++period, seed);
    } while (period < 12 || out.size() < targetBytes);
    out += "]}";
    return out;
}

// An array of `count` objects of one member each, [{"value":n},...]: the shape that most of a
// reply's values take, alone.
inline std::string MakeSmallObjects(size_t count) {
    std::string out = "[";
    uint32_t seed = 12345;
    for (size_t i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        if (i > 0)
            out += ',';
        out += "{\"value\":" + std::to_string((seed >> 8) % 5000) + '}';
    }
    out += ']';
    return out;
}

} // namespace k7::bench
