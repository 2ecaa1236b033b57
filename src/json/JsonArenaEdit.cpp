#include "json/JsonArenaEdit_p.h"

#include "core/RuntimeError.h"
#include "json/JsonArena_p.h"
#include "json/JsonBagData_p.h"
#include "json/JsonFailure_p.h"

#include <algorithm>
#include <cstring>

namespace k7 {

namespace {

// The smallest run an edit gives a container that grows: a member or two added to a parsed
// object should not move it again at once.
constexpr uint32_t kFirstCapacity = 4;

} // namespace

std::optional<JsonNode> JsonArenaEdit::NodeFor(JsonArena& arena, const Variant& value) {
    JsonNode node{};
    if (const double* number = value.Get<double>()) {
        node.head = JsonNode::Head(JsonNode::Number, 0);
        node.number = *number;
    } else if (const QString* text = value.Get<QString>()) {
        node.head = JsonNode::Head(JsonNode::String, 0);
        node.length = uint32_t(text->size());
        node.text =
            arena.StoreText(reinterpret_cast<const char16_t*>(text->constData()), size_t(text->size()));
    } else if (const bool* flag = value.Get<bool>()) {
        node.head = JsonNode::Head(*flag ? JsonNode::True : JsonNode::False, 0);
    } else if (value.IsNull()) {
        node.head = JsonNode::Head(JsonNode::Null, 0);
    } else if (const Decimal* decimal = value.Get<Decimal>()) {
        node.head = JsonNode::Head(JsonNode::DecimalNumber, 0);
        node.index = arena.decimals.size();
        arena.decimals.push_back(*decimal);
    } else {
        return std::nullopt;
    }
    return node;
}

bool JsonArenaEdit::SetItem(JsonBagData& bag, int32_t index, const Variant& value) {
    if (!bag.InArena())
        return false;
    const std::optional<JsonNode> node = NodeFor(*bag.arena, value);
    if (!node)
        return false;
    JsonNode& container = JsonArena::Writable(bag.container);
    if (index < 0) {
        Append(*bag.arena, container, *node);
        return true;
    }
    JsonNode& item = JsonArena::Writable(container.items + index);
    std::shared_ptr<JsonBag> leaving;
    if (item.IsContainer())
        leaving = bag.arena->Detach(&item);
    item = *node;
    return true;
}

bool JsonArenaEdit::SetMember(JsonBagData& bag, const QString& name, const Variant& value) {
    if (!bag.InArena())
        return false;
    JsonArena& arena = *bag.arena;
    std::optional<JsonNode> node = NodeFor(arena, value);
    if (!node)
        return false;
    const uint32_t id = arena.names.Intern(name);
    if (id >= JsonNode::kMaxNames)
        RaiseStandardError(ErrorNumber::OutOfMemory);
    node->head = JsonNode::Head(node->kind(), id);
    JsonNode& container = JsonArena::Writable(bag.container);
    // A member set again takes the last place, as a member met twice in a text does.
    const int32_t existing = arena.FindMember(&container, name);
    if (existing >= 0)
        RemoveAt(arena, container, uint32_t(existing));
    Append(arena, container, *node);
    return true;
}

bool JsonArenaEdit::Remove(JsonBagData& bag, int32_t index) {
    if (!bag.InArena())
        return false;
    RemoveAt(*bag.arena, JsonArena::Writable(bag.container), uint32_t(index));
    return true;
}

void JsonArenaEdit::Append(JsonArena& arena, JsonNode& container, const JsonNode& item) {
    const uint32_t count = container.length;
    if (count + 1 >= JsonNode::kMaxNames)
        RaiseStandardError(ErrorNumber::OutOfMemory);
    if (arena.CapacityOf(container) == count)
        arena.MoveItems(container, std::max(kFirstCapacity, count * 2));
    JsonArena::Writable(container.items + count) = item;
    container.length = count + 1;
    if (container.kind() == JsonNode::Object)
        arena.IndexAdded(&container, item.name(), count);
}

void JsonArenaEdit::RemoveAt(JsonArena& arena, JsonNode& container, uint32_t index) {
    JsonNode* items = &JsonArena::Writable(container.items);
    const JsonNode removed = items[index];
    std::shared_ptr<JsonBag> leaving;
    if (removed.IsContainer())
        leaving = arena.Detach(items + index);
    const uint32_t count = container.length;
    std::memmove(static_cast<void*>(items + index), items + index + 1,
                 (count - index - 1) * sizeof(JsonNode));
    // Moved one place down, in order: each container node's new place is free when it arrives.
    for (uint32_t i = index; i + 1 < count; ++i)
        if (items[i].IsContainer())
            arena.Relocate(items + i + 1, items + i);
    container.length = count - 1;
    if (container.kind() == JsonNode::Object)
        arena.IndexRemoved(&container, removed.name(), index);
}

} // namespace k7
