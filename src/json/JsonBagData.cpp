#include "json/JsonBagData_p.h"

#include <QHash>
#include <QHashFunctions>

#include <algorithm>
#include <bit>

namespace k7 {

namespace {

// Tears down bags whose last owner is `pending`, breadth by breadth: each bag hands its own sole
// children over before it dies, so no destructor ever recurses more than one level.
void ReleaseTree(std::vector<ObjectRef>& pending) {
    while (!pending.empty()) {
        ObjectRef bag = std::move(pending.back());
        pending.pop_back();
        JsonBagData::Of(*static_cast<JsonBag*>(bag.get())).TakeSoleChildren(pending);
    }
}

} // namespace

uint32_t JsonBagData::HashName(QStringView name) {
    // The process-wide seed is random, so nobody can prepare a document whose names all collide.
    return static_cast<uint32_t>(qHash(name, QHashSeed::globalSeed()));
}

int32_t JsonBagData::FindMember(QStringView name) const {
    if (slots_.empty()) {
        for (size_t i = 0; i < entries.size(); ++i)
            if (!entries[i].dead && entries[i].name == name)
                return static_cast<int32_t>(i);
        return -1;
    }
    size_t slot = FindSlot(name, HashName(name));
    return slot == SIZE_MAX ? -1 : slots_[slot];
}

size_t JsonBagData::FindSlot(QStringView name, uint32_t hash) const {
    const size_t mask = slots_.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        int32_t index = slots_[slot];
        if (index == kEmptySlot)
            return SIZE_MAX;
        if (index >= 0 && entries[index].hash == hash && entries[index].name == name)
            return slot;
    }
}

void JsonBagData::SetMember(QString&& name, Variant&& value) {
    int32_t existing = FindMember(name);
    if (existing >= 0)
        KillMember(existing);
    AppendMember(std::move(name), std::move(value));
}

void JsonBagData::AdoptMembers(std::vector<JsonEntry>::iterator first,
                               std::vector<JsonEntry>::iterator last) {
    const size_t count = size_t(last - first);
    if (!entries.empty() || count > size_t(kIndexThreshold)) {
        if (entries.empty()) {
            // One pass over the index both de-duplicates and indexes.
            entries.reserve(count);
            entries.insert(entries.end(), std::make_move_iterator(first), std::make_move_iterator(last));
            RebuildIndex(0);
        } else {
            for (; first != last; ++first)
                SetMember(std::move(first->name), std::move(first->value));
        }
        return;
    }
    bool repeated = false;
    for (auto a = first; a != last && !repeated; ++a)
        for (auto b = a + 1; b != last && !repeated; ++b)
            repeated = a->name == b->name;
    if (repeated) {
        for (; first != last; ++first)
            SetMember(std::move(first->name), std::move(first->value));
        return;
    }
    entries.reserve(count);
    entries.insert(entries.end(), std::make_move_iterator(first), std::make_move_iterator(last));
}

void JsonBagData::AppendMember(QString&& name, Variant&& value) {
    entries.emplace_back(std::move(name), std::move(value));
    if (!slots_.empty()) {
        entries.back().hash = HashName(entries.back().name);
        InsertIntoIndex(static_cast<int32_t>(entries.size()) - 1);
        if (usedSlots_ * 2 > slots_.size())
            RebuildIndex(0);
    } else if (Count() > kIndexThreshold) {
        RebuildIndex(0);
    }
    // Replacing members over and over leaves a trail of dead entries; keep it shorter than the
    // live part so that memory and the next compaction stay proportional to Count.
    if (deadCount_ > 16 && deadCount_ > Count())
        Compact();
}

void JsonBagData::InsertIntoIndex(int32_t entryIndex) {
    const size_t mask = slots_.size() - 1;
    const JsonEntry& entry = entries[entryIndex];
    size_t slot = entry.hash & mask;
    while (slots_[slot] >= 0) {
        const JsonEntry& other = entries[slots_[slot]];
        if (other.hash == entry.hash && other.name == entry.name) {
            // An earlier member of the same name (adopted in one go): the later one replaces it.
            KillMember(slots_[slot]);
            break;
        }
        slot = (slot + 1) & mask;
    }
    if (slots_[slot] == kEmptySlot)
        ++usedSlots_;
    slots_[slot] = entryIndex;
}

void JsonBagData::KillMember(int32_t entryIndex) {
    JsonEntry& entry = entries[entryIndex];
    if (!slots_.empty()) {
        const size_t mask = slots_.size() - 1;
        size_t slot = entry.hash & mask;
        while (slots_[slot] != entryIndex)
            slot = (slot + 1) & mask;
        slots_[slot] = kDeletedSlot;
    }
    entry.dead = true;
    entry.name = QString();
    entry.value = Variant();
    ++deadCount_;
}

void JsonBagData::Compact() {
    if (deadCount_ == 0)
        return;
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](const JsonEntry& e) { return e.dead; }),
                  entries.end());
    deadCount_ = 0;
    if (!slots_.empty())
        RebuildIndex(0);
}

void JsonBagData::RebuildIndex(size_t minimumSlots) {
    const bool hashesKnown = !slots_.empty();
    size_t wanted = std::max<size_t>({minimumSlots, 16, std::bit_ceil(static_cast<size_t>(Count()) * 4)});
    slots_.assign(wanted, kEmptySlot);
    usedSlots_ = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].dead)
            continue;
        if (!hashesKnown)
            entries[i].hash = HashName(entries[i].name);
        InsertIntoIndex(static_cast<int32_t>(i));
    }
}

void JsonBagData::RemoveAll() {
    std::vector<ObjectRef> pending;
    TakeSoleChildren(pending);
    entries.clear();
    slots_.clear();
    usedSlots_ = 0;
    deadCount_ = 0;
    ReleaseTree(pending);
}

void JsonBagData::TakeSoleChildren(std::vector<ObjectRef>& out) {
    for (JsonEntry& entry : entries) {
        const ObjectRef* ref = entry.value.Get<ObjectRef>();
        if (ref && ref->use_count() == 1) {
            out.push_back(*ref);
            entry.value = Variant();
        }
    }
}

std::shared_ptr<JsonBag> JsonBagData::NewChild(bool childIsArray) const {
    auto child = std::make_shared<JsonBag>();
    JsonBagData& data = Of(*child);
    data.isArray = childIsArray;
    data.decimalMode = decimalMode;
    data.whitespace = whitespace;
    data.whitespaceIndent = whitespaceIndent;
    data.whitespaceNewLine = whitespaceNewLine;
    return child;
}

} // namespace k7
