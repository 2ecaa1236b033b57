#include "json/JsonNameTable_p.h"

#include "json/JsonBagData_p.h"

#include <algorithm>
#include <cstring>

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

uint32_t JsonNameTable::Intern(QStringView text) {
    const char16_t* units = reinterpret_cast<const char16_t*>(text.data());
    const qsizetype size = text.size();
    const uint32_t quick = QuickHash(units, size);
    // Kept at most half full, so probe runs stay short.
    if (size_t(texts_.size() + 1) * 2 > slots_.size())
        Grow();
    const size_t mask = slots_.size() - 1;
    size_t slot = quick & mask;
    for (size_t probe = 0; probe < kMaxProbe; ++probe, slot = (slot + 1) & mask) {
        Slot& entry = slots_[slot];
        if (entry.id == kNoId) {
            entry.id = Add(text);
            entry.quickHash = quick;
            return entry.id;
        }
        const QString& known = texts_[entry.id];
        if (entry.quickHash == quick && known.size() == size &&
            SameUnits(reinterpret_cast<const char16_t*>(known.constData()), units, size))
            return entry.id;
    }
    const QString key = text.toString();
    if (const auto found = loose_.constFind(key); found != loose_.constEnd())
        return *found;
    const uint32_t id = Add(text);
    loose_.insert(key, id);
    return id;
}

uint32_t JsonNameTable::FindRemembered(const QString& text) const {
    if (!remembered_)
        remembered_ = std::make_unique<std::array<Remembered, size_t(1) << kRememberedBits>>();
    const uint64_t mixed = (reinterpret_cast<uintptr_t>(text.constData()) >> 3) * 0x9E3779B97F4A7C15u;
    // Two ways: the newer entry of a pair in its first slot, the older one in its second.
    const size_t first = size_t(mixed >> (64 - kRememberedBits)) & ~size_t(1);
    Remembered* pair = remembered_->data() + first;
    for (int way = 0; way < 2; ++way)
        if (pair[way].text.constData() == text.constData() && pair[way].text.size() == text.size() &&
            pair[way].id != kNoId)
            return pair[way].id;
    const uint32_t id = Find(text);
    // A name no member has is not remembered: an edit may add it.
    if (id != kNoId) {
        pair[1] = std::move(pair[0]);
        pair[0] = {text, id};
    }
    return id;
}

uint32_t JsonNameTable::Find(QStringView text) const {
    const char16_t* units = reinterpret_cast<const char16_t*>(text.data());
    const qsizetype size = text.size();
    const uint32_t quick = QuickHash(units, size);
    const size_t mask = slots_.size() - 1;
    size_t slot = quick & mask;
    for (size_t probe = 0; probe < kMaxProbe; ++probe, slot = (slot + 1) & mask) {
        const Slot& entry = slots_[slot];
        if (entry.id == kNoId)
            return kNoId;
        const QString& known = texts_[entry.id];
        if (entry.quickHash == quick && known.size() == size &&
            SameUnits(reinterpret_cast<const char16_t*>(known.constData()), units, size))
            return entry.id;
    }
    return loose_.value(text.toString(), kNoId);
}

uint32_t JsonNameTable::Add(QStringView text) {
    texts_.push_back(text.toString());
    hashes_.push_back(JsonBagData::HashName(text));
    plain_.push_back(std::none_of(text.begin(), text.end(),
                                  [](QChar c) { return c == u'"' || c == u'\\' || c.unicode() < 32; }));
    return uint32_t(texts_.size() - 1);
}

void JsonNameTable::Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const Slot& entry : old) {
        if (entry.id == kNoId)
            continue;
        // Past the probe limit a name is no longer found here; it moves to the loose map.
        size_t slot = entry.quickHash & mask;
        size_t probe = 0;
        while (slots_[slot].id != kNoId && probe < kMaxProbe) {
            slot = (slot + 1) & mask;
            ++probe;
        }
        if (slots_[slot].id == kNoId)
            slots_[slot] = entry;
        else
            loose_.insert(texts_[entry.id], entry.id);
    }
}

} // namespace k7
