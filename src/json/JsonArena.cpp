#include "json/JsonArena_p.h"

#include "json/JsonBag.h"
#include "json/JsonBagData_p.h"

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
    case JsonNode::Object:
    case JsonNode::Array:
        break;
    }
    return Variant();
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
    const JsonHandleTable::Entry* known = bags_.Find(container);
    if (known && &JsonBagData::Of(*known->bag) == bag && !known->held)
        bags_.Erase(container);
}

void JsonArena::Hold(const JsonNode* container, std::shared_ptr<JsonBag> bag) {
    JsonBag* raw = bag.get();
    std::weak_ptr<JsonBag> weak = bag;
    bags_.Set({container, raw, std::move(weak), std::move(bag)});
}

int32_t JsonArena::FindMember(const JsonNode* container, QStringView name) const {
    const uint32_t id = names.Find(name);
    if (id == JsonNameTable::kNoId)
        return -1;
    const JsonNode* items = container->items;
    const uint32_t count = container->length;
    if (count <= kIndexThreshold) {
        for (uint32_t i = 0; i < count; ++i)
            if (items[i].name() == id)
                return int32_t(i);
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
