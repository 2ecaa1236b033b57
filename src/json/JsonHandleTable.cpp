#include "json/JsonHandleTable_p.h"

#include <algorithm>
#include <utility>

namespace k7 {

std::optional<size_t> JsonHandleTable::SlotOfEntry(const JsonNode* container) const {
    if (size_ == 0)
        return std::nullopt;
    const size_t mask = slots_.size() - 1;
    for (size_t slot = SlotOf(container);; slot = (slot + 1) & mask) {
        if (slots_[slot].container == container)
            return slot;
        if (!slots_[slot].container)
            return std::nullopt;
    }
}

const JsonHandleTable::Entry* JsonHandleTable::Find(const JsonNode* container) const {
    const std::optional<size_t> slot = SlotOfEntry(container);
    return slot ? &slots_[*slot] : nullptr;
}

void JsonHandleTable::Set(Entry&& entry) {
    // Kept at most half full, so that probe runs stay short.
    if ((size_ + 1) * 2 > slots_.size())
        Grow();
    const size_t mask = slots_.size() - 1;
    size_t slot = SlotOf(entry.container);
    while (slots_[slot].container && slots_[slot].container != entry.container)
        slot = (slot + 1) & mask;
    if (!slots_[slot].container)
        ++size_;
    slots_[slot] = std::move(entry);
}

void JsonHandleTable::Erase(const JsonNode* container) {
    if (const std::optional<size_t> slot = SlotOfEntry(container))
        EraseAt(*slot);
}

void JsonHandleTable::EraseAt(size_t hole) {
    const size_t mask = slots_.size() - 1;
    slots_[hole] = Entry();
    --size_;
    // Moves back every entry of the run after the hole that may live there, so that no lookup
    // meets a free slot before its entry.
    for (size_t next = (hole + 1) & mask; slots_[next].container; next = (next + 1) & mask) {
        const size_t home = SlotOf(slots_[next].container);
        const bool reachesHole = hole <= next ? (home <= hole || home > next) : (home <= hole && home > next);
        if (reachesHole) {
            slots_[hole] = std::move(slots_[next]);
            slots_[next] = Entry();
            hole = next;
        }
    }
}

void JsonHandleTable::Grow() {
    std::vector<Entry> old(std::max<size_t>(8, slots_.size() * 2));
    old.swap(slots_);
    size_ = 0;
    for (Entry& entry : old)
        if (entry.container)
            Set(std::move(entry));
}

} // namespace k7
