#include "json/JsonNameTable_p.h"

#include "json/JsonBagData_p.h"

#include <cstring>
#include <utility>

namespace k7 {

namespace {

constexpr size_t kInitialSlots = 64;

uint64_t Load64(const char16_t* at) {
    uint64_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// Mixes the length with the first and the last four code units: names of one document differ
// there almost always, and it costs the same for any length.
uint32_t QuickHash(const char16_t* text, qsizetype size) {
    uint64_t mixed;
    if (size >= 4) {
        mixed = Load64(text) * 0x9E3779B97F4A7C15u ^ Load64(text + size - 4);
    } else {
        mixed = 0;
        for (qsizetype i = 0; i < size; ++i)
            mixed = (mixed << 16) | text[i];
    }
    mixed = (mixed ^ uint64_t(size) ^ (mixed >> 29)) * 0xBF58476D1CE4E5B9u;
    return uint32_t(mixed >> 32);
}

bool SameUnits(const char16_t* a, const char16_t* b, qsizetype size) {
    if (size < 4) {
        for (qsizetype i = 0; i < size; ++i)
            if (a[i] != b[i])
                return false;
        return true;
    }
    for (qsizetype i = 0; i + 4 < size; i += 4)
        if (Load64(a + i) != Load64(b + i))
            return false;
    return Load64(a + size - 4) == Load64(b + size - 4);
}

} // namespace

JsonNameTable::JsonNameTable() : slots_(kInitialSlots) {}

const JsonNameTable::Name& JsonNameTable::Intern(QStringView text) {
    const char16_t* units = reinterpret_cast<const char16_t*>(text.data());
    const qsizetype size = text.size();
    const uint32_t quick = QuickHash(units, size);
    // Kept at most half full, so probe runs stay short.
    if (size_t(size_ + 1) * 2 > slots_.size())
        Grow();
    const size_t mask = slots_.size() - 1;
    size_t slot = quick & mask;
    for (size_t probe = 0; probe < kMaxProbe; ++probe, slot = (slot + 1) & mask) {
        Name& name = slots_[slot];
        if (name.id == kNoId) {
            name.text = text.toString();
            name.hash = JsonBagData::HashName(text);
            name.id = size_++;
            name.quickHash = quick;
            return name;
        }
        if (name.quickHash == quick && name.text.size() == size &&
            SameUnits(reinterpret_cast<const char16_t*>(name.text.constData()), units, size))
            return name;
    }
    loose_.text = text.toString();
    loose_.hash = JsonBagData::HashName(text);
    loose_.id = kNoId;
    return loose_;
}

void JsonNameTable::Grow() {
    std::vector<Name> old(slots_.size() * 2);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (Name& name : old) {
        if (name.id == kNoId)
            continue;
        // Past the probe limit a name is simply no longer found and comes back loose.
        size_t slot = name.quickHash & mask;
        while (slots_[slot].id != kNoId)
            slot = (slot + 1) & mask;
        slots_[slot] = std::move(name);
    }
}

} // namespace k7
