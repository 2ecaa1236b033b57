#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace k7 {

class JsonBag;
struct JsonNode;

// The bags a document has handed out, by the container node each stands for. Reading a table
// makes and drops a handle for nearly every cell, so registering and forgetting one must cost
// little: open addressing on the node's address, with linear probing and deletion by shifting
// back, in a table that stays as small as the number of handles alive (usually a few).
class JsonHandleTable {
public:
    struct Entry {
        const JsonNode* container = nullptr; // nullptr: a free slot
        JsonBag* bag = nullptr;
        std::weak_ptr<JsonBag> weak;
        std::shared_ptr<JsonBag> held; // set once the bag was changed: the table keeps it
    };

    bool empty() const { return size_ == 0; }
    // The entry for `container`, or nullptr.
    const Entry* Find(const JsonNode* container) const;
    // Sets the entry for `container`, replacing any there is.
    void Set(Entry&& entry);
    // Removes the entry for `container`, if any.
    void Erase(const JsonNode* container);
    // Removes the entry for `container` if there is one and `wanted(entry)` says so.
    template <class Wanted> void EraseIf(const JsonNode* container, Wanted wanted) {
        const std::optional<size_t> slot = SlotOfEntry(container);
        if (slot && wanted(std::as_const(slots_[*slot])))
            EraseAt(*slot);
    }

private:
    size_t SlotOf(const JsonNode* container) const {
        const uint64_t mixed = (reinterpret_cast<uintptr_t>(container) >> 4) * 0x9E3779B97F4A7C15u;
        return size_t(mixed >> 32) & (slots_.size() - 1);
    }
    void Grow();
    // The slot of `container`'s entry, or nullopt.
    std::optional<size_t> SlotOfEntry(const JsonNode* container) const;
    void EraseAt(size_t hole);

    std::vector<Entry> slots_;
    size_t size_ = 0;
};

} // namespace k7
