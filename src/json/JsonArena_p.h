#pragma once

#include "core/Decimal.h"
#include "core/Variant.h"
#include "json/JsonHandleTable_p.h"
#include "json/JsonNameTable_p.h"

#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

namespace k7 {

class JsonBag;
class JsonBagData;

// One value of a parsed document in 16 bytes: its kind and, for an object member, the number of
// its name (JsonNameTable) in the first word; a string's length or a container's item count in
// the second; the number itself, the string's characters or the container's items in the last
// eight bytes. The parser makes only the first kinds; the others hold what an edit stores, each
// in its own type, so that it reads back and is written as it was given. An object or an array is the run of
// nodes of its items, in one piece. A container node's address is the container's identity (handles are
// registered by it); an edit that moves a container node re-registers what stood for it there
// (JsonArena::Relocate).
struct JsonNode {
    enum Kind : uint32_t {
        Null,
        False,
        True,
        Number,
        String,
        DecimalNumber,
        // Stored by edits only.
        Empty,
        Byte,
        Integer,
        Long,
        Single,
        CurrencyNumber,
        DateValue,
        LinkedBag,
        // Containers last (IsContainer).
        Object,
        Array
    };
    static constexpr uint32_t kNameBits = 28;
    static constexpr uint32_t kMaxNames = uint32_t(1) << kNameBits;

    Kind kind() const { return Kind(head >> kNameBits); }
    bool IsContainer() const { return kind() >= Object; }
    // An object or array, whether in the arena or a bag linked from it.
    bool HoldsBag() const { return kind() >= LinkedBag; }
    uint32_t name() const { return head & (kMaxNames - 1); }
    static uint32_t Head(Kind kind, uint32_t name) { return (uint32_t(kind) << kNameBits) | name; }

    uint32_t head;
    uint32_t length; // String: code units; Object, Array: items
    union {
        double number;         // Number, DateValue (the serial)
        const char16_t* text;  // String
        const JsonNode* items; // Object, Array
        uint64_t index;        // DecimalNumber: into decimals; LinkedBag: into links
        int64_t whole;         // Byte, Integer, Long, CurrencyNumber (ten-thousandths)
        float single;          // Single
    };
};
static_assert(sizeof(JsonNode) == 16, "a node is two words");
static_assert(JsonNode::Array < (uint32_t(1) << (32 - JsonNode::kNameBits)), "kinds fit beside the name");

// Storage that hands out runs of T that never move: slabs that grow with the document, so that
// a small reply takes little and a large one few allocations, with no copy when it grows and
// no spare capacity held at the end beyond the rest of the last slab.
template <class T> class JsonSlabs {
public:
    T* Take(size_t count) {
        if (size_t(end_ - next_) < count) {
            const size_t size = std::max(count, nextSize_);
            slabs_.push_back(std::make_unique_for_overwrite<T[]>(size));
            next_ = slabs_.back().get();
            end_ = next_ + size;
            if (nextSize_ < kMaxSize)
                nextSize_ *= 2;
        }
        T* run = next_;
        next_ += count;
        return run;
    }

private:
    static constexpr size_t kMaxSize = (size_t(1) << 20) / sizeof(T);
    std::vector<std::unique_ptr<T[]>> slabs_;
    T* next_ = nullptr;
    T* end_ = nullptr;
    size_t nextSize_ = 4096 / sizeof(T);
};

// A growable run of nodes in memory from malloc: growing a large run lets realloc move its pages
// rather than copy them, and the run can be kept, cut to size, as it stands. The parser gathers
// the items of the containers it reads on one such run, and the document's own items stay in it.
class JsonNodeRun {
public:
    JsonNodeRun() = default;
    JsonNodeRun(const JsonNodeRun&) = delete;
    JsonNodeRun& operator=(const JsonNodeRun&) = delete;
    JsonNodeRun& operator=(JsonNodeRun&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        return *this;
    }
    ~JsonNodeRun() { std::free(data_); }

    size_t size() const { return size_; }
    JsonNode* data() { return data_; }
    JsonNode& operator[](size_t i) { return data_[i]; }
    void push_back(const JsonNode& node) {
        if (size_ == capacity_)
            Reallocate(std::max<size_t>(64, capacity_ * 2));
        data_[size_++] = node;
    }
    // Drops the nodes from `size` on.
    void truncate(size_t size) { size_ = std::min(size, size_); }
    void shrink_to_fit() {
        if (size_ < capacity_ && size_ > 0)
            Reallocate(size_);
    }

private:
    void Reallocate(size_t capacity) {
        void* moved = std::realloc(static_cast<void*>(data_), capacity * sizeof(JsonNode));
        if (!moved)
            throw std::bad_alloc();
        data_ = static_cast<JsonNode*>(moved);
        capacity_ = capacity;
    }

    JsonNode* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

// The settings every bag of a document shares until one of them is changed on its own.
struct JsonSettings {
    bool decimalMode = false;
    bool whitespace = false;
    int16_t whitespaceIndent = 4;
    QString whitespaceNewLine;
};

// One parsed document: every value in compact nodes, every object and array a run of them,
// member names as numbers into one table, string values in one UTF-16 buffer; all released at
// once, when the document's bag and the last bag handed out from it are gone.
//
// The bag a document was parsed into (its root) reads the arena; so do the bags that Item and
// friends hand out for nested objects and arrays, made when asked for and registered here, so
// that asking twice gives the same bag while it lives. These handles keep the arena alive.
//
// Edits work on the arena itself (JsonArenaEdit): a value of any type goes into a node, and a bag
// stored as a value is linked: the node names it among `links`, the arena holds it, and every
// reader goes through to it, as it would through an entry holding it (a stored bag is shared, so
// edits made through it later show wherever it is stored).
//
// A handed-out bag that takes a setting of its own gives it to its container and to every
// container below (ChangeSettings), so that the bags made for them later take it too.
//
// Two things still move a bag's whole subtree into ordinary bags (JsonBagData::Thaw), reusing
// the handles out there: a container that leaves the document while bags stand for it or below
// it (Detach), and a handed-out bag that is stored somewhere. Such a changed handle is then held here, so
// that the arena's readers (its parent, the writer) find it in place of the old container, until its parent
// changes too and holds it among its entries.
class JsonArena : public std::enable_shared_from_this<JsonArena> {
public:
    JsonNameTable names;
    JsonSlabs<JsonNode> nodes;
    JsonSlabs<char16_t> texts;
    std::vector<Decimal> decimals;
    std::vector<std::shared_ptr<JsonBag>> links; // of LinkedBag nodes; emptied when they leave
    JsonSettings settings;
    JsonNode rootNode{};               // the document itself
    JsonNodeRun rootItems;             // its items
    const JsonBagData* root = nullptr; // the bag parsed into, while it still reads this arena

    // The value of a simple node.
    Variant ValueOf(const JsonNode& node) const;
    // A copy of `length` code units among the document's characters.
    const char16_t* StoreText(const char16_t* units, size_t length);
    // The nodes belong to the arena: bags read them through const pointers, edits write them
    // through this.
    static JsonNode& Writable(const JsonNode* node) { return const_cast<JsonNode&>(*node); }
    // How many items the run of `container` has room for: runs made by edits keep spare room,
    // parsed runs have none.
    uint32_t CapacityOf(const JsonNode& container) const;
    // Gives `container` a run of its own at the end of the node array with room for `capacity`
    // items, moving its items there; the old run stays, unused, until the arena goes.
    void MoveItems(JsonNode& container, uint32_t capacity);
    // The container node at `from` is now at `to`: what was registered for it follows.
    void Relocate(const JsonNode* from, const JsonNode* to);
    // `node` is about to leave its document (replaced or removed). The bags the arena let go of
    // on that go into `leaving`, which the caller drops once its edit is done, so that what dies
    // with them (handles that unregister) never meets the arena half-way through a change.
    void Leave(const JsonNode* node, std::vector<std::shared_ptr<JsonBag>>& leaving);
    // Links `bag` from a node: the value of a LinkedBag node.
    uint64_t Link(std::shared_ptr<JsonBag> bag);
    JsonBag* Linked(const JsonNode& node) const { return links[node.index].get(); }
    // The arena lets go of the bag a LinkedBag node links: the caller holds it now.
    std::shared_ptr<JsonBag> Unlink(const JsonNode& node);
    bool HasLinks() const { return links.size() > unlinked_; }
    // Keeps the index of `container` (if it has one) true after an edit: member `name` now at
    // `position`, or the member at `removed` gone and the later ones one place earlier.
    void IndexAdded(const JsonNode* container, uint32_t name, uint32_t position);
    void IndexRemoved(const JsonNode* container, uint32_t name, uint32_t removed);
    // `container` was emptied: its index goes.
    void DropIndex(const JsonNode* container) { indexes_.erase(container); }
    // The bag for a container node: the changed bag that replaced it, the live handle, or a new
    // handle.
    std::shared_ptr<JsonBag> BagFor(const JsonNode* container);
    // The bag that stands for `container` when there is one (nullptr otherwise).
    JsonBag* KnownBag(const JsonNode* container) const;
    // True when no bag was handed out: the arena alone describes the document.
    bool HasNoBags() const { return bags_.empty(); }
    // The settings of the bags for `container`: its own, or the document's.
    const JsonSettings& SettingsFor(const JsonNode* container) const {
        if (ownSettings_.empty()) // nearly always: no handle took settings of its own
            return settings;
        const auto own = ownSettings_.find(container);
        return own == ownSettings_.end() ? settings : own->second;
    }
    // Applies `change` to the settings of `container` and of every container below it, which
    // have settings of their own from then on; with nullptr, to the document's and to every
    // container's own.
    template <class Change> void ChangeSettings(const JsonNode* container, Change change) {
        if (!container) {
            change(settings);
            for (auto& [node, own] : ownSettings_)
                change(own);
            return;
        }
        std::vector<const JsonNode*> pending{container};
        while (!pending.empty()) {
            const JsonNode* next = pending.back();
            pending.pop_back();
            change(ownSettings_.try_emplace(next, settings).first->second);
            for (uint32_t i = 0; i < next->length; ++i)
                if (next->items[i].IsContainer())
                    pending.push_back(next->items + i);
        }
    }
    // `container` is no longer one: settings of its own go.
    void DropSettings(const JsonNode* container) { ownSettings_.erase(container); }
    // Index of the member `name` in `container`, or -1.
    int32_t FindMember(const JsonNode* container, const QString& name) const;

    // A new handle stands for `container` while it lives.
    void Register(const JsonNode* container, const std::shared_ptr<JsonBag>& bag);
    // A handle goes: it is forgotten, unless it was changed and is held here.
    void Forget(const JsonNode* container, const JsonBagData* bag);
    // A handle that was changed stands for its container from now on.
    void Hold(const JsonNode* container, std::shared_ptr<JsonBag> bag);
    // The bag that replaced `container` is held by its parent now: the arena lets go of it.
    void Release(const JsonNode* container) { bags_.Erase(container); }
    // The live bag registered for `container`, as a shared pointer (nullptr when none).
    std::shared_ptr<JsonBag> SharedBag(const JsonNode* container) const;

private:
    // The container node `node` leaves: when bags stand for it or for containers below it, its
    // subtree becomes bags holding entries (JsonBagData::Thaw) and the bag that stands for it
    // goes into `leaving`; the bags still linked below it go there too.
    void Detach(const JsonNode* node, std::vector<std::shared_ptr<JsonBag>>& leaving);
    // True when a bag stands for `node` or for a container below it.
    bool HasBagsFrom(const JsonNode* node) const;

    // Lookups by name in objects larger than this go through an index built on first use.
    static constexpr uint32_t kIndexThreshold = 32;

    JsonHandleTable bags_;
    mutable std::unordered_map<const JsonNode*, std::unordered_map<uint32_t, uint32_t>> indexes_;
    // By name number: where that member was last found. The rows of a table name their members
    // alike, so a lookup usually finds its member where the previous row had it.
    mutable std::vector<uint32_t> lastPositions_;
    std::unordered_map<const JsonNode*, uint32_t> capacities_;      // of the runs edits made, by first node
    std::unordered_map<const JsonNode*, JsonSettings> ownSettings_; // by container
    size_t unlinked_ = 0;                                           // links let go of
};

} // namespace k7
