#pragma once

#include "core/Variant.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace k7 {

class JsonArena;
class JsonBagData;
struct JsonNode;

// Edits of a bag that reads a parsed document, made in the document's arena: a value replaced
// in its node, an item added at the end of its container's run (a run that is full moves, with
// twice the room, to the end of the node array), a member removed by closing the gap in its
// run. The handles out there stay valid and see the edit: a container node that moves takes its
// registrations along (JsonArena::Relocate); one that leaves the document hands its handles
// their items as entries (JsonArena::Detach).
//
// Each edit returns false, changing nothing, when the bag holds entries or when the value is
// not one a node holds (a bag, Empty, an integer or a date keep their type only as entries):
// the caller then makes the bag hold entries (JsonBagData::Thaw) and edits those.
class JsonArenaEdit {
public:
    // Array: replaces the item at `index` (from 0), or appends when `index` is negative.
    static bool SetItem(JsonBagData& bag, int32_t index, const Variant& value);
    // Object: the member `name` gets `value` and moves to the end, or is appended.
    static bool SetMember(JsonBagData& bag, const QString& name, const Variant& value);
    // Removes the item at `index` (from 0); the later ones move one place down.
    static bool Remove(JsonBagData& bag, int32_t index);

private:
    // The node that holds `value` in `arena`, if a node can.
    static std::optional<JsonNode> NodeFor(JsonArena& arena, const Variant& value);
    static void Append(JsonArena& arena, JsonNode& container, const JsonNode& item);
    static void RemoveAt(JsonArena& arena, JsonNode& container, uint32_t index);
};

} // namespace k7
