#include "json/JsonBagData_p.h"

#include "json/JsonHandlePool_p.h"

#include <QHash>
#include <QHashFunctions>

#include <algorithm>
#include <bit>

namespace k7 {

namespace {

// How many levels below a bag being emptied are emptied by plain recursion before the rest of
// the tree is taken down level by level. Parsed documents stay far below it (real replies are a
// handful of levels deep), so they are freed with no bookkeeping; a tree built by editing may be
// arbitrarily deep and must not exhaust the stack.
constexpr int kRecursiveReleaseDepth = 64;

} // namespace

uint32_t JsonBagData::HashName(QStringView name) {
    // The process-wide seed is random, so nobody can prepare a document whose names all collide.
    return static_cast<uint32_t>(qHash(name, QHashSeed::globalSeed()));
}

int32_t JsonBagData::FindMember(QStringView name) const {
    return UsesIndex() ? FindInIndex(name, HashName(name)) : FindByComparing(name);
}

bool JsonBagData::UsesIndex() const {
    if (slots_.empty() && Count() > kIndexThreshold)
        BuildIndex();
    return !slots_.empty();
}

int32_t JsonBagData::FindByComparing(QStringView name) const {
    for (size_t i = 0; i < entries.size(); ++i)
        if (!entries[i].dead && entries[i].name == name)
            return static_cast<int32_t>(i);
    return -1;
}

int32_t JsonBagData::FindInIndex(QStringView name, uint32_t hash) const {
    const size_t mask = slots_.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const int32_t index = slots_[slot];
        if (index == kEmptySlot)
            return -1;
        if (index >= 0 && entries[index].hash == hash && entries[index].name == name)
            return index;
    }
}

void JsonBagData::SetMember(QString&& name, uint32_t hash, Variant&& value) {
    const int32_t existing = UsesIndex() ? FindInIndex(name, hash) : FindByComparing(name);
    if (existing >= 0)
        KillMember(existing);
    AppendMember(std::move(name), hash, std::move(value));
}

void JsonBagData::AppendMember(QString&& name, uint32_t hash, Variant&& value) {
    entries.emplace_back(std::move(name), std::move(value), hash);
    if (!slots_.empty()) {
        InsertIntoIndex(static_cast<int32_t>(entries.size()) - 1);
        if (usedSlots_ * 2 > slots_.size())
            BuildIndex();
    }
    // Replacing members over and over leaves a trail of dead entries; keep it shorter than the
    // live part so that memory and the next compaction stay proportional to Count.
    if (deadCount_ > 16 && deadCount_ > Count())
        Compact();
}

void JsonBagData::InsertIntoIndex(int32_t entryIndex) const {
    const size_t mask = slots_.size() - 1;
    size_t slot = entries[entryIndex].hash & mask;
    while (slots_[slot] >= 0)
        slot = (slot + 1) & mask;
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
    // Entry indexes have moved; the next lookup by name rebuilds the index.
    slots_.clear();
    usedSlots_ = 0;
}

void JsonBagData::BuildIndex() const {
    const size_t wanted = std::max<size_t>(16, std::bit_ceil(static_cast<size_t>(Count()) * 4));
    slots_.assign(wanted, kEmptySlot);
    usedSlots_ = 0;
    for (size_t i = 0; i < entries.size(); ++i)
        if (!entries[i].dead)
            InsertIntoIndex(static_cast<int32_t>(i));
}

void JsonBagData::LeaveArena() {
    if (!arena)
        return;
    if (arena->root == this)
        arena->root = nullptr;
    else
        arena->Forget(container, this);
    arena.reset();
    container = nullptr;
}

void JsonBagData::RemoveAll() {
    // The bags linked from a document that dies here are taken down level by level too: a
    // document may link a bag reading a document of its own, and so on, to any depth.
    // Checked here first: a handle dropped while its document lives (reading a table drops one for
    // nearly every cell) has no such work.
    std::vector<ObjectRef> linked;
    if (arena && arena.use_count() == 1 && arena->HasLinks())
        TakeSoleLinks(linked);
    LeaveArena();
    slots_.clear();
    usedSlots_ = 0;
    deadCount_ = 0;
    ReleaseEntries(0);
    if (!linked.empty())
        ReleaseTree(linked);
}

void JsonBagData::TakeSoleLinks(std::vector<ObjectRef>& out) {
    if (!arena || arena.use_count() != 1)
        return;
    for (std::shared_ptr<JsonBag>& link : arena->links)
        if (link && link.use_count() == 1)
            out.push_back(std::move(link));
}

void JsonBagData::ReleaseEntries(int depth) {
    // Most bags that go are handles on a document's containers, which hold no entries.
    if (entries.empty())
        return;
    // A child held by this bag alone dies with the entry; it is emptied first, so that its own
    // destructor finds nothing left and never recurses.
    std::vector<ObjectRef> deeper;
    for (JsonEntry& entry : entries) {
        const ObjectRef* ref = entry.value.Get<ObjectRef>();
        if (!ref || ref->use_count() != 1)
            continue;
        if (depth < kRecursiveReleaseDepth) {
            Of(*static_cast<JsonBag*>(ref->get())).ReleaseEntries(depth + 1);
        } else {
            deeper.push_back(*ref);
            entry.value = Variant();
        }
    }
    entries.clear();
    ReleaseTree(deeper);
}

void JsonBagData::TakeSoleChildren(std::vector<ObjectRef>& out) {
    TakeSoleLinks(out);
    for (JsonEntry& entry : entries) {
        const ObjectRef* ref = entry.value.Get<ObjectRef>();
        if (ref && ref->use_count() == 1) {
            out.push_back(*ref);
            entry.value = Variant();
        }
    }
}

void JsonBagData::ReleaseTree(std::vector<ObjectRef>& pending) {
    // Each bag hands its own sole children over before it dies, so its destructor finds nothing
    // left to release recursively.
    while (!pending.empty()) {
        ObjectRef bag = std::move(pending.back());
        pending.pop_back();
        Of(*static_cast<JsonBag*>(bag.get())).TakeSoleChildren(pending);
    }
}

std::shared_ptr<JsonBag> JsonBagData::MakeHandle(const std::shared_ptr<JsonArena>& arena,
                                                 const JsonNode* container) {
    auto bag = std::allocate_shared<JsonBag>(JsonHandleAllocator<JsonBag>());
    JsonBagData& data = Of(*bag);
    data.TakeSettings(arena->SettingsFor(container));
    data.isArray = container->kind() == JsonNode::Array;
    data.arena = arena;
    data.container = container;
    arena->Register(container, bag);
    return bag;
}

void JsonBagData::Thaw(JsonBag& bag) {
    JsonBagData& start = Of(bag);
    if (!start.InArena())
        return;
    // Held here, so that the arena outlives every bag below leaving it.
    const std::shared_ptr<JsonArena> arena = start.arena;
    const JsonNode* const startContainer = start.container;
    std::shared_ptr<JsonBag> changedHandle = arena->SharedBag(startContainer);

    // Level by level with a list of bags still to fill: the document may be 1000 levels deep.
    std::vector<JsonBagData*> pending{&start};
    while (!pending.empty()) {
        JsonBagData& data = *pending.back();
        pending.pop_back();
        const JsonNode* const items = data.container->items;
        const uint32_t count = data.container->length;
        const bool object = data.container->kind() == JsonNode::Object;
        data.arena.reset();
        data.container = nullptr;
        data.entries.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            const JsonNode& item = items[i];
            Variant value;
            if (item.kind() == JsonNode::LinkedBag) {
                value = Variant(arena->Unlink(item));
            } else if (item.IsContainer()) {
                std::shared_ptr<JsonBag> child = arena->SharedBag(&item);
                if (!child) {
                    child = std::make_shared<JsonBag>();
                    JsonBagData& fresh = Of(*child);
                    fresh.TakeSettings(arena->SettingsFor(&item));
                    fresh.isArray = item.kind() == JsonNode::Array;
                    fresh.arena = arena;
                    fresh.container = &item;
                    pending.push_back(&fresh);
                } else if (Of(*child).arena == arena) {
                    // A handle handed out earlier: the same bag, now holding entries.
                    arena->Forget(&item, &Of(*child));
                    pending.push_back(&Of(*child));
                } else {
                    // A bag that replaced a changed container: its parent holds it from now on.
                    // The arena lets go, so that it never keeps alive a bag that left the
                    // document (and may come to hold the document itself).
                    arena->Release(&item);
                }
                value = Variant(std::move(child));
            } else {
                value = arena->ValueOf(item);
            }
            if (object)
                data.entries.emplace_back(arena->names.Text(item.name()), std::move(value),
                                          arena->names.Hash(item.name()));
            else
                data.entries.emplace_back(QString(), std::move(value));
        }
    }
    // The arena's other readers (the parent, the writer) now find the changed bag in place of
    // the container it was.
    arena->Hold(startContainer, std::move(changedHandle));
}

std::shared_ptr<JsonBag> JsonBagData::NewChild(bool childIsArray) const {
    auto child = std::make_shared<JsonBag>();
    JsonBagData& data = Of(*child);
    data.isArray = childIsArray;
    PassSettingsTo(data);
    return child;
}

} // namespace k7
