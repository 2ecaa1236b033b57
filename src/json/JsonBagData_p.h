#pragma once

#include "core/Variant.h"
#include "json/JsonArena_p.h"
#include "json/JsonBag.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace k7 {

// One item of a bag that was built or changed by editing. Array items have a null name: their
// name is their position.
struct JsonEntry {
    JsonEntry() = default;
    template <class Name, class Value>
    JsonEntry(Name&& entryName, Value&& entryValue, uint32_t nameHash = 0)
        : name(std::forward<Name>(entryName)), value(std::forward<Value>(entryValue)), hash(nameHash) {}

    QString name;
    Variant value;
    uint32_t hash = 0; // of `name` (JsonBagData::HashName), for every object member
    bool dead = false; // removed from an object, awaiting compaction
};

// The state of one JsonBag: its settings and its items, which live in one of two places.
//
// A bag that reads a parsed document (`arena` set) finds its items in the document's container
// number `container`; nothing of the document is copied into the bag. Every other bag (created
// empty, built by editing, or a handle that left its document: see Thaw) holds its items as
// entries.
//
// Entries keep insertion order in one vector. Removing a member (or replacing it, which moves it
// to the end) only marks the old entry dead, so editing costs O(1); the dead entries are squeezed
// out when a positional access needs exact positions or when they outnumber the live ones. Small
// objects find names by comparing them in turn. Past kIndexThreshold members an open-addressing
// table maps the name's hash to the entry; it is built by the first lookup that needs it.
class JsonBagData {
public:
    static constexpr int32_t kIndexThreshold = 8;

    static JsonBagData& Of(const JsonBag& bag) { return bag.Data(); }

    std::vector<JsonEntry> entries;
    bool isArray = false;
    bool decimalMode = false;
    bool whitespace = false;
    int16_t whitespaceIndent = 4;
    QString whitespaceNewLine = QStringLiteral("\r\n");
    std::shared_ptr<JsonArena> arena;
    const JsonNode* container = nullptr; // with `arena`: the object or array this bag is

    bool InArena() const { return arena != nullptr; }
    // True for the bag a document was parsed into, while it reads that document.
    bool IsArenaRoot() const { return arena && arena->root == this; }
    const JsonNode* Items() const { return container->items; }

    int32_t Count() const {
        return InArena() ? int32_t(container->length) : static_cast<int32_t>(entries.size()) - deadCount_;
    }

    // The hash members are indexed by.
    static uint32_t HashName(QStringView name);

    // Entry index of the live member `name`, or -1 (bags holding entries).
    int32_t FindMember(QStringView name) const;
    // Stores a member: an existing one of the same name is removed and the new one appended.
    void SetMember(QString&& name, Variant&& value) {
        const uint32_t hash = HashName(name);
        SetMember(std::move(name), hash, std::move(value));
    }
    void SetMember(QString&& name, uint32_t hash, Variant&& value);
    // Appends a member whose name is known not to be present.
    void AppendMember(QString&& name, uint32_t hash, Variant&& value);
    // Marks a member dead (objects only).
    void KillMember(int32_t entryIndex);
    // Squeezes out dead entries so that positions are entry indexes again.
    void Compact();
    // Empties the bag (settings are kept), releasing the children it alone holds, and lets go of
    // the document it read.
    void RemoveAll();
    // Stops reading the arena, leaving it to the bags handed out from it.
    void LeaveArena();

    // Makes a handle hold its items as entries, so that it no longer reads (and keeps alive) its
    // document: for a handle whose container leaves the document, or that is stored as a value.
    // Nothing happens to a bag that holds entries already. Its nested objects and arrays become
    // bags holding entries too (the handles out there among them); its document then holds it in
    // place of the container it was.
    static void Thaw(JsonBag& bag);
    // A handle on container `container` of `arena`, with that container's settings.
    static std::shared_ptr<JsonBag> MakeHandle(const std::shared_ptr<JsonArena>& arena,
                                               const JsonNode* container);

    // A new bag with this bag's DecimalMode and layout.
    std::shared_ptr<JsonBag> NewChild(bool isArray) const;
    // Gives `child` this bag's DecimalMode and layout.
    void PassSettingsTo(JsonBagData& child) const {
        child.decimalMode = decimalMode;
        child.whitespace = whitespace;
        child.whitespaceIndent = whitespaceIndent;
        child.whitespaceNewLine = whitespaceNewLine;
    }
    void TakeSettings(const JsonSettings& settings) {
        decimalMode = settings.decimalMode;
        whitespace = settings.whitespace;
        whitespaceIndent = settings.whitespaceIndent;
        whitespaceNewLine = settings.whitespaceNewLine;
    }
    JsonSettings Settings() const { return {decimalMode, whitespace, whitespaceIndent, whitespaceNewLine}; }

    // The child bag an entry holds, or nullptr for a simple value. Only bags are ever stored, so
    // no type check is needed.
    static JsonBag* ChildOf(const Variant& value) {
        const ObjectRef* ref = value.Get<ObjectRef>();
        return ref ? static_cast<JsonBag*>(ref->get()) : nullptr;
    }

private:
    // True when lookups go through the index, which is built here once the object is large.
    bool UsesIndex() const;
    int32_t FindInIndex(QStringView name, uint32_t hash) const;
    int32_t FindByComparing(QStringView name) const;
    void BuildIndex() const;
    void InsertIntoIndex(int32_t entryIndex) const;
    // Empties `entries`, first emptying the children only this bag holds, `depth` levels down.
    void ReleaseEntries(int depth);
    // Moves every child bag held only by this bag (or by the document it alone keeps alive) into
    // `out`, leaving Empty in its place.
    void TakeSoleChildren(std::vector<ObjectRef>& out);
    // Moves every bag held only by the links of the document only this bag keeps alive into
    // `out`.
    void TakeSoleLinks(std::vector<ObjectRef>& out);
    static void ReleaseTree(std::vector<ObjectRef>& pending);

    int32_t deadCount_ = 0;
    // Open addressing with linear probing: entry index, kEmptySlot or kDeletedSlot. Empty until
    // a lookup wants it; a lookup is logically const, so the index is mutable.
    mutable std::vector<int32_t> slots_;
    mutable size_t usedSlots_ = 0; // live plus deleted
    static constexpr int32_t kEmptySlot = -1;
    static constexpr int32_t kDeletedSlot = -2;
};

} // namespace k7
