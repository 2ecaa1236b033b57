#pragma once

#include "core/Variant.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace k7 {

class JsonArena;
class JsonBag;
class JsonBagData;
struct JsonNode;

// Edits of a bag that reads a parsed document, made in the document's arena: a value replaced
// in its node, an item added at the end of its container's run (a run that is full moves, with
// twice the room, to the end of the node array), a member removed by closing the gap in its
// run, a bag stored by linking it from a node. The handles out there stay valid and see the
// edit: a container node that moves takes its registrations along (JsonArena::Relocate); one
// that leaves the document hands its handles their items as entries (JsonArena::Leave).
//
// Each edit returns false, changing nothing, when the bag does not read a document: the caller
// then edits its entries.
class JsonArenaEdit {
public:
    // Array: replaces the item at `index` (from 0), or appends when `index` is negative. A bag
    // value must be a JsonBag that may go there (JsonBag::SetItem checks).
    static bool SetItem(JsonBagData& bag, int32_t index, const Variant& value);
    // Object: the member `name` gets `value` and moves to the end, or is appended.
    static bool SetMember(JsonBagData& bag, const QString& name, const Variant& value);
    // Removes the item at `index` (from 0); the later ones move one place down.
    static bool Remove(JsonBagData& bag, int32_t index);
    // Makes the empty container of a handed-out bag an array or an object.
    static bool SetIsArray(JsonBagData& bag, bool isArray);
    // Empties a handed-out bag in its place and makes it an object. The document's own bag is
    // left alone: it simply lets go of the document.
    static bool Clear(JsonBagData& bag);
    // A handed-out bag stops reading its document, emptied, and the document links it in its
    // container's place: it is to hold a document of its own there.
    static bool LinkInPlace(JsonBagData& bag);

private:
    // The node that holds `value` in `arena`.
    static JsonNode NodeFor(JsonArena& arena, const Variant& value);
    // True for a bag handed out from a document (not the document's own bag).
    static bool IsHandle(const JsonBagData& bag);
    // Every item of `container` leaves the document.
    static void EmptyContainer(JsonArena& arena, JsonNode& container,
                               std::vector<std::shared_ptr<JsonBag>>& leaving);
    static void Append(JsonArena& arena, JsonNode& container, const JsonNode& item);
    static void RemoveAt(JsonArena& arena, JsonNode& container, uint32_t index);
};

} // namespace k7
