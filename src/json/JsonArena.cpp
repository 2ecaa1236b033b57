#include "json/JsonArena_p.h"

#include "core/RuntimeError.h"
#include "json/JsonBag.h"
#include "json/JsonBagData_p.h"
#include "json/JsonFailure_p.h"

#include <cstring>

namespace k7 {

Variant JsonArena::ValueOf(const JsonNode& node) const {
    switch (node.kind()) {
    case JsonNode::Null:
        return Variant::Null();
    case JsonNode::False:
        return Variant(false);
    case JsonNode::True:
        return Variant(true);
    case JsonNode::Number:
        return Variant(node.number);
    case JsonNode::String:
        return Variant(QString(reinterpret_cast<const QChar*>(node.text), qsizetype(node.length)));
    case JsonNode::DecimalNumber:
        return Variant(decimals[node.index]);
    case JsonNode::Empty:
        return Variant();
    case JsonNode::Byte:
        return Variant(uint8_t(node.whole));
    case JsonNode::Integer:
        return Variant(int16_t(node.whole));
    case JsonNode::Long:
        return Variant(int32_t(node.whole));
    case JsonNode::Single:
        return Variant(node.single);
    case JsonNode::CurrencyNumber:
        return Variant(Currency{node.whole});
    case JsonNode::DateValue:
        return Variant(Date(node.number));
    case JsonNode::LinkedBag:
        return Variant(links[node.index]);
    case JsonNode::Object:
    case JsonNode::Array:
        break;
    }
    return Variant();
}

const char16_t* JsonArena::StoreText(const char16_t* units, size_t length) {
    // An empty string still points somewhere, so that it reads back as an empty, not a null, text.
    static constexpr char16_t kEmpty[1] = {0};
    if (length == 0)
        return kEmpty;
    if (length > UINT32_MAX)
        RaiseStandardError(ErrorNumber::OutOfMemory);
    char16_t* stored = texts.Take(length);
    std::memcpy(stored, units, length * sizeof(char16_t));
    return stored;
}

uint32_t JsonArena::CapacityOf(const JsonNode& container) const {
    const auto found = capacities_.find(container.items);
    return found == capacities_.end() ? container.length : found->second;
}

void JsonArena::MoveItems(JsonNode& container, uint32_t capacity) {
    JsonNode* run = nodes.Take(capacity);
    const JsonNode* old = container.items;
    const uint32_t count = container.length;
    if (count > 0)
        std::memcpy(static_cast<void*>(run), old, count * sizeof(JsonNode));
    for (uint32_t i = 0; i < count; ++i)
        if (run[i].IsContainer())
            Relocate(old + i, run + i);
    capacities_.erase(old);
    capacities_[run] = capacity;
    container.items = run;
}

void JsonArena::Relocate(const JsonNode* from, const JsonNode* to) {
    if (const JsonHandleTable::Entry* known = bags_.Find(from)) {
        JsonHandleTable::Entry moved = *known;
        bags_.Erase(from);
        moved.container = to;
        JsonBagData& data = JsonBagData::Of(*moved.bag);
        if (data.arena.get() == this && data.container == from)
            data.container = to;
        bags_.Set(std::move(moved));
    }
    if (auto own = ownSettings_.extract(from)) {
        own.key() = to;
        ownSettings_.insert(std::move(own));
    }
    if (indexes_.empty())
        return;
    if (auto index = indexes_.extract(from)) {
        index.key() = to;
        indexes_.insert(std::move(index));
    }
}

uint64_t JsonArena::Link(std::shared_ptr<JsonBag> bag) {
    links.push_back(std::move(bag));
    return links.size() - 1;
}

std::shared_ptr<JsonBag> JsonArena::Unlink(const JsonNode& node) {
    std::shared_ptr<JsonBag>& link = links[node.index];
    if (link)
        ++unlinked_;
    return std::move(link);
}

void JsonArena::Leave(const JsonNode* node, std::vector<std::shared_ptr<JsonBag>>& leaving) {
    if (node->kind() == JsonNode::LinkedBag)
        leaving.push_back(Unlink(*node));
    else if (node->IsContainer())
        Detach(node, leaving);
}

void JsonArena::Detach(const JsonNode* node, std::vector<std::shared_ptr<JsonBag>>& leaving) {
    indexes_.erase(node);
    if (HasBagsFrom(node)) {
        // Bags out there stand for this container or for some below it: the subtree becomes
        // bags holding entries, those among them, as it would on leaving a bag of entries. None
        // of them goes on reading the arena, so none can later hold the document and be held by
        // it.
        std::shared_ptr<JsonBag> bag = BagFor(node);
        if (JsonBagData::Of(*bag).arena.get() == this)
            JsonBagData::Thaw(*bag);
        bags_.Erase(node);
        leaving.push_back(std::move(bag));
    }
    if (!HasLinks() && ownSettings_.empty())
        return;
    // The bags linked below go with it: the arena must not keep alive a bag that its document no
    // longer reaches (that bag may come to hold the document). Settings of its own go too, since
    // a node that comes to stand at the same place later is another container.
    std::vector<const JsonNode*> pending{node};
    while (!pending.empty()) {
        const JsonNode* container = pending.back();
        pending.pop_back();
        ownSettings_.erase(container);
        for (uint32_t i = 0; i < container->length; ++i) {
            const JsonNode& item = container->items[i];
            if (item.kind() == JsonNode::LinkedBag) {
                if (std::shared_ptr<JsonBag> linked = Unlink(item))
                    leaving.push_back(std::move(linked));
            } else if (item.IsContainer()) {
                pending.push_back(&item);
            }
        }
    }
}

bool JsonArena::HasBagsFrom(const JsonNode* node) const {
    if (bags_.empty())
        return false;
    std::vector<const JsonNode*> pending{node};
    while (!pending.empty()) {
        const JsonNode* container = pending.back();
        pending.pop_back();
        if (bags_.Find(container))
            return true;
        for (uint32_t i = 0; i < container->length; ++i)
            if (container->items[i].IsContainer())
                pending.push_back(container->items + i);
    }
    return false;
}

void JsonArena::IndexAdded(const JsonNode* container, uint32_t name, uint32_t position) {
    const auto index = indexes_.find(container);
    if (index != indexes_.end())
        index->second[name] = position;
}

void JsonArena::IndexRemoved(const JsonNode* container, uint32_t name, uint32_t removed) {
    const auto index = indexes_.find(container);
    if (index == indexes_.end())
        return;
    index->second.erase(name);
    for (auto& [id, position] : index->second)
        if (position > removed)
            --position;
}

std::shared_ptr<JsonBag> JsonArena::BagFor(const JsonNode* container) {
    if (std::shared_ptr<JsonBag> known = SharedBag(container))
        return known;
    return JsonBagData::MakeHandle(shared_from_this(), container);
}

JsonBag* JsonArena::KnownBag(const JsonNode* container) const {
    const JsonHandleTable::Entry* known = bags_.Find(container);
    return known ? known->bag : nullptr;
}

std::shared_ptr<JsonBag> JsonArena::SharedBag(const JsonNode* container) const {
    const JsonHandleTable::Entry* known = bags_.Find(container);
    if (!known)
        return nullptr;
    return known->held ? known->held : known->weak.lock();
}

void JsonArena::Register(const JsonNode* container, const std::shared_ptr<JsonBag>& bag) {
    bags_.Set({container, bag.get(), bag, nullptr});
}

void JsonArena::Forget(const JsonNode* container, const JsonBagData* bag) {
    bags_.EraseIf(container, [bag](const JsonHandleTable::Entry& known) {
        return &JsonBagData::Of(*known.bag) == bag && !known.held;
    });
}

void JsonArena::Hold(const JsonNode* container, std::shared_ptr<JsonBag> bag) {
    JsonBag* raw = bag.get();
    std::weak_ptr<JsonBag> weak = bag;
    bags_.Set({container, raw, std::move(weak), std::move(bag)});
}

int32_t JsonArena::FindMember(const JsonNode* container, const QString& name) const {
    const uint32_t id = names.FindRemembered(name);
    if (id == JsonNameTable::kNoId)
        return -1;
    const JsonNode* items = container->items;
    const uint32_t count = container->length;
    if (count <= kIndexThreshold) {
        if (lastPositions_.size() <= id)
            lastPositions_.resize(names.Size(), 0);
        uint32_t& last = lastPositions_[id];
        if (last < count && items[last].name() == id)
            return int32_t(last);
        for (uint32_t i = 0; i < count; ++i) {
            if (items[i].name() == id) {
                last = i;
                return int32_t(i);
            }
        }
        return -1;
    }
    // A large object is looked up in through an index of its own, built on the first lookup:
    // most objects are only walked, or never read by name at all.
    auto [index, isNew] = indexes_.try_emplace(container);
    if (isNew) {
        index->second.reserve(count);
        for (uint32_t i = 0; i < count; ++i)
            index->second.emplace(items[i].name(), i);
    }
    const auto found = index->second.find(id);
    return found == index->second.end() ? -1 : int32_t(found->second);
}

} // namespace k7
