#pragma once

#include "core/Variant.h"
#include "json/JsonBag.h"
#include "json/JsonEntryList_p.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <utility>
#include <vector>

namespace k7 {

// One item of a bag. Array items have a null name: their name is their position.
struct JsonEntry {
    JsonEntry() = default;
    template <class Name, class Value>
    JsonEntry(Name&& entryName, Value&& entryValue)
        : name(std::forward<Name>(entryName)), value(std::forward<Value>(entryValue)) {}

    QString name;
    Variant value;
    uint32_t hash = 0; // of `name`, kept once the object is indexed
    bool dead = false; // removed from an object, awaiting compaction
};

// The state of one JsonBag: its items in order and its settings.
//
// Objects keep their members in one vector in insertion order. Removing a member (or replacing
// it, which moves it to the end) only marks the old entry dead, so editing costs O(1); the dead
// entries are squeezed out when a positional access needs exact positions or when they outnumber
// the live ones. Small objects find names by comparing them in turn; past kIndexThreshold members
// an open-addressing table maps the name's hash to the entry.
class JsonBagData {
public:
    static constexpr int32_t kIndexThreshold = 8;

    static JsonBagData& Of(const JsonBag& bag) { return bag.Data(); }

    JsonEntryList<JsonEntry> entries;
    bool isArray = false;
    bool decimalMode = false;
    bool whitespace = false;
    int16_t whitespaceIndent = 4;
    QString whitespaceNewLine = QStringLiteral("\r\n");

    int32_t Count() const { return static_cast<int32_t>(entries.size()) - deadCount_; }

    // Entry index of the live member `name`, or -1.
    int32_t FindMember(QStringView name) const;
    // Stores a member: an existing one of the same name is removed and the new one appended.
    void SetMember(QString&& name, Variant&& value);
    // Appends a member whose name is known not to be present.
    void AppendMember(QString&& name, Variant&& value);
    // Appends parsed members in their order; where a name repeats, the later one wins and the
    // earlier is removed, exactly as storing them one by one would.
    void AdoptMembers(std::vector<JsonEntry>::iterator first, std::vector<JsonEntry>::iterator last);
    // Marks a member dead (objects only).
    void KillMember(int32_t entryIndex);
    // Squeezes out dead entries so that positions are entry indexes again.
    void Compact();
    bool IsCompact() const { return deadCount_ == 0; }
    // Empties the bag (settings are kept). Child bags are released without recursion.
    void RemoveAll();

    // A new bag with this bag's DecimalMode and layout.
    std::shared_ptr<JsonBag> NewChild(bool isArray) const;

    // The child bag an entry holds, or nullptr for a simple value. Only bags are ever stored, so
    // no type check is needed.
    static JsonBag* ChildOf(const Variant& value) {
        const ObjectRef* ref = value.Get<ObjectRef>();
        return ref ? static_cast<JsonBag*>(ref->get()) : nullptr;
    }

    // Moves every child bag held only by this bag into `out`, leaving Empty in its place; the
    // destructor uses it to tear a deep tree down level by level instead of recursively.
    void TakeSoleChildren(std::vector<ObjectRef>& out);

private:
    static uint32_t HashName(QStringView name);
    void RebuildIndex(size_t minimumSlots);
    void InsertIntoIndex(int32_t entryIndex);
    size_t FindSlot(QStringView name, uint32_t hash) const;

    int32_t deadCount_ = 0;
    // Open addressing with linear probing: entry index, kEmptySlot or kDeletedSlot.
    std::vector<int32_t> slots_;
    size_t usedSlots_ = 0; // live plus deleted
    static constexpr int32_t kEmptySlot = -1;
    static constexpr int32_t kDeletedSlot = -2;
};

} // namespace k7
