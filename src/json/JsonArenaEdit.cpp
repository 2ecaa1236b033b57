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

JsonNode JsonArenaEdit::NodeFor(JsonArena& arena, const Variant& value) {
    JsonNode node{};
    const auto set = [&node](JsonNode::Kind kind) { node.head = JsonNode::Head(kind, 0); };
    if (const double* number = value.Get<double>()) {
        set(JsonNode::Number);
        node.number = *number;
    } else if (const QString* text = value.Get<QString>()) {
        set(JsonNode::String);
        node.length = uint32_t(text->size());
        node.text =
            arena.StoreText(reinterpret_cast<const char16_t*>(text->constData()), size_t(text->size()));
    } else if (const bool* flag = value.Get<bool>()) {
        set(*flag ? JsonNode::True : JsonNode::False);
    } else if (value.IsNull()) {
        set(JsonNode::Null);
    } else if (value.IsEmpty()) {
        set(JsonNode::Empty);
    } else if (const Decimal* decimal = value.Get<Decimal>()) {
        set(JsonNode::DecimalNumber);
        node.index = arena.decimals.size();
        arena.decimals.push_back(*decimal);
    } else if (const uint8_t* byte = value.Get<uint8_t>()) {
        set(JsonNode::Byte);
        node.whole = *byte;
    } else if (const int16_t* integer = value.Get<int16_t>()) {
        set(JsonNode::Integer);
        node.whole = *integer;
    } else if (const int32_t* whole = value.Get<int32_t>()) {
        set(JsonNode::Long);
        node.whole = *whole;
    } else if (const float* single = value.Get<float>()) {
        set(JsonNode::Single);
        node.single = *single;
    } else if (const Currency* currency = value.Get<Currency>()) {
        set(JsonNode::CurrencyNumber);
        node.whole = currency->Scaled;
    } else if (const Date* date = value.Get<Date>()) {
        set(JsonNode::DateValue);
        node.number = date->Serial;
    } else {
        set(JsonNode::LinkedBag);
        node.index = arena.Link(std::static_pointer_cast<JsonBag>(value.AsObject()));
    }
    return node;
}

bool JsonArenaEdit::SetItem(JsonBagData& bag, int32_t index, const Variant& value) {
    if (!bag.InArena())
        return false;
    const JsonNode node = NodeFor(*bag.arena, value);
    JsonNode& container = JsonArena::Writable(bag.container);
    if (index < 0) {
        Append(*bag.arena, container, node);
        return true;
    }
    JsonNode& item = JsonArena::Writable(container.items + index);
    std::vector<std::shared_ptr<JsonBag>> leaving;
    bag.arena->Leave(&item, leaving);
    item = node;
    return true;
}

bool JsonArenaEdit::SetMember(JsonBagData& bag, const QString& name, const Variant& value) {
    if (!bag.InArena())
        return false;
    JsonArena& arena = *bag.arena;
    JsonNode node = NodeFor(arena, value);
    const uint32_t id = arena.names.Intern(name);
    if (id >= JsonNode::kMaxNames)
        RaiseStandardError(ErrorNumber::OutOfMemory);
    node.head = JsonNode::Head(node.kind(), id);
    JsonNode& container = JsonArena::Writable(bag.container);
    // A member set again takes the last place, as a member met twice in a text does.
    const int32_t existing = arena.FindMember(&container, name);
    if (existing >= 0)
        RemoveAt(arena, container, uint32_t(existing));
    Append(arena, container, node);
    return true;
}

bool JsonArenaEdit::Remove(JsonBagData& bag, int32_t index) {
    if (!bag.InArena())
        return false;
    RemoveAt(*bag.arena, JsonArena::Writable(bag.container), uint32_t(index));
    return true;
}

bool JsonArenaEdit::SetIsArray(JsonBagData& bag, bool isArray) {
    if (!bag.InArena())
        return false;
    JsonNode& container = JsonArena::Writable(bag.container);
    container.head = JsonNode::Head(isArray ? JsonNode::Array : JsonNode::Object, container.name());
    return true;
}

bool JsonArenaEdit::IsHandle(const JsonBagData& bag) {
    return bag.InArena() && !bag.IsArenaRoot();
}

bool JsonArenaEdit::Clear(JsonBagData& bag) {
    if (!IsHandle(bag))
        return false;
    std::vector<std::shared_ptr<JsonBag>> leaving;
    JsonNode& container = JsonArena::Writable(bag.container);
    EmptyContainer(*bag.arena, container, leaving);
    container.head = JsonNode::Head(JsonNode::Object, container.name());
    return true;
}

bool JsonArenaEdit::LinkInPlace(JsonBagData& bag) {
    if (!IsHandle(bag))
        return false;
    const std::shared_ptr<JsonArena> arena = bag.arena;
    JsonNode& container = JsonArena::Writable(bag.container);
    std::vector<std::shared_ptr<JsonBag>> leaving;
    EmptyContainer(*arena, container, leaving);
    std::shared_ptr<JsonBag> self = arena->SharedBag(&container);
    bag.LeaveArena();
    bag.isArray = false;
    arena->DropSettings(&container);
    JsonNode link{};
    link.head = JsonNode::Head(JsonNode::LinkedBag, container.name());
    link.index = arena->Link(std::move(self));
    container = link;
    return true;
}

void JsonArenaEdit::EmptyContainer(JsonArena& arena, JsonNode& container,
                                   std::vector<std::shared_ptr<JsonBag>>& leaving) {
    for (uint32_t i = 0; i < container.length; ++i)
        arena.Leave(container.items + i, leaving);
    container.length = 0;
    arena.DropIndex(&container);
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
    std::vector<std::shared_ptr<JsonBag>> leaving;
    arena.Leave(items + index, leaving);
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
