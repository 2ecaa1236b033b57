#include "json/JsonBag.h"

#include "core/Conversions_p.h"
#include "core/RuntimeError.h"
#include "json/JsonArenaEdit_p.h"
#include "json/JsonArena_p.h"
#include "json/JsonBagData_p.h"
#include "json/JsonFailure_p.h"
#include "json/JsonParser_p.h"
#include "json/JsonWriter_p.h"

#include <new>
#include <unordered_set>

namespace k7 {

namespace {

bool IsNoKey(const Variant& key) {
    return key.IsNull() || key.IsEmpty();
}

// The numeric key of a read: -1 when it lies beyond Count (so Item gives Empty), otherwise the
// 0-based index; below 1 the list itself refuses with 9.
int32_t ReadIndex(const Variant& key, int32_t count) {
    const double number = key.ToDouble();
    if (number > count)
        return -1;
    const int32_t position = ToLong(number);
    if (position < 1)
        RaiseStandardError(ErrorNumber::SubscriptOutOfRange);
    return position - 1;
}

// The 0-based index of a position that must exist (9 otherwise).
int32_t ExistingIndex(const Variant& key, int32_t count) {
    const int32_t index = ReadIndex(key, count);
    if (index < 0)
        RaiseStandardError(ErrorNumber::SubscriptOutOfRange);
    return index;
}

[[noreturn]] void FailKeyRequired() {
    RaiseJsonError(JsonBagError::KeyRequired, QStringLiteral("Key must be provided, a String or an index"));
}

// Calls `found` for every bag registered for a container below `bag`'s own container in its
// arena (the handles handed out there and the bags that replaced changed containers) and for
// every bag linked below it. The subtree of such a bag is its own business (it is visited
// through that bag).
template <class Found> void ForEachKnownBagBelow(const JsonBagData& bag, Found found) {
    const JsonArena& arena = *bag.arena;
    if (arena.HasNoBags() && !arena.HasLinks())
        return;
    std::vector<const JsonNode*> pending{bag.container};
    while (!pending.empty()) {
        const JsonNode* container = pending.back();
        pending.pop_back();
        for (uint32_t i = 0; i < container->length; ++i) {
            const JsonNode* item = container->items + i;
            if (item->kind() == JsonNode::LinkedBag)
                found(JsonBagData::Of(*arena.Linked(*item)));
            if (!item->IsContainer())
                continue;
            if (JsonBag* known = arena.KnownBag(item))
                found(JsonBagData::Of(*known));
            else
                pending.push_back(item);
        }
    }
}

// Visits `root` and every bag below it once, without recursion.
template <class Visit> void ForEachBag(JsonBagData& root, Visit visit) {
    std::vector<JsonBagData*> pending{&root};
    std::unordered_set<const JsonBagData*> seen{&root};
    const auto reach = [&](JsonBagData& data) {
        if (seen.insert(&data).second)
            pending.push_back(&data);
    };
    while (!pending.empty()) {
        JsonBagData* bag = pending.back();
        pending.pop_back();
        visit(*bag);
        if (bag->InArena()) {
            ForEachKnownBagBelow(*bag, reach);
            continue;
        }
        for (const JsonEntry& entry : bag->entries)
            if (const JsonBag* child = JsonBagData::ChildOf(entry.value))
                reach(JsonBagData::Of(*child));
    }
}

// Sets a layout option or DecimalMode on `bag` and everything below it. The bags of a document
// share its settings; a bag handed out from it that is to differ gives its container and the
// containers below settings of their own, for the bags made for them later.
template <class Set> void SetEverywhere(JsonBag& bag, Set set) {
    JsonBagData& start = JsonBagData::Of(bag);
    if (start.InArena() && !start.IsArenaRoot())
        start.arena->ChangeSettings(start.container, set);
    ForEachBag(start, [&set](JsonBagData& data) {
        set(data);
        if (data.IsArenaRoot())
            data.arena->ChangeSettings(nullptr, set);
    });
}

} // namespace

void RaiseJsonError(int32_t number, const QString& description) {
    throw RuntimeError(number, description, QStringLiteral("JsonBag"));
}

void RaiseStandardError(int32_t number) {
    throw RuntimeError::Standard(number, QStringLiteral("JsonBag"));
}

static_assert(sizeof(JsonBagData) <= 152 && alignof(JsonBagData) <= 8, "JsonBag::kDataSize is too small");

JsonBag::JsonBag() {
    new (data_) JsonBagData();
}

JsonBag::~JsonBag() {
    // A tree built by editing may be far deeper than the stack would allow for recursive
    // destructors; RemoveAll bounds the recursion.
    Data().RemoveAll();
    Data().~JsonBagData();
}

JsonBagData& JsonBag::Data() const {
    return *std::launder(reinterpret_cast<JsonBagData*>(const_cast<unsigned char*>(data_)));
}

// --- the entry a key designates

namespace {

// The item a key designates: an entry of a bag that holds entries, or a node of the document
// that a bag reads.
struct ItemRef {
    const JsonEntry* entry = nullptr;
    const JsonNode* node = nullptr;

    explicit operator bool() const { return entry || node; }
    bool IsBag() const { return entry ? JsonBagData::ChildOf(entry->value) != nullptr : node->HoldsBag(); }
};

// The position (from 0) of the member `name`, or -1, wherever the bag's items are.
int32_t MemberIndex(const JsonBagData& data, const QString& name) {
    return data.InArena() ? data.arena->FindMember(data.container, name) : data.FindMember(name);
}

// Finds the item a read member designates: by name on an object, by position otherwise.
// Returns nothing for a position beyond Count when `beyondIsEmpty`, and raises for everything
// else that designates nothing.
ItemRef FindForRead(JsonBagData& data, const Variant& key, bool beyondIsEmpty) {
    if (IsNoKey(key))
        FailKeyRequired();
    if (const QString* name = key.Get<QString>()) {
        if (data.isArray)
            RaiseJsonError(JsonBagError::ArrayReadByName,
                           QStringLiteral("Array values can only be acessed by index"));
        const int32_t index = MemberIndex(data, *name);
        if (index < 0)
            RaiseJsonError(JsonBagError::UnknownName,
                           QStringLiteral("Requested Item by key doesn't exist (case mismatch?)"));
        if (data.InArena())
            return {nullptr, data.Items() + index};
        return {&data.entries[index], nullptr};
    }
    const int32_t index = beyondIsEmpty ? ReadIndex(key, data.Count()) : ExistingIndex(key, data.Count());
    if (index < 0)
        return {};
    if (data.InArena())
        return {nullptr, data.Items() + index};
    data.Compact();
    return {&data.entries[index], nullptr};
}

Variant ValueOf(JsonBagData& data, const ItemRef& item) {
    if (item.entry)
        return item.entry->value;
    if (item.node->IsContainer())
        return Variant(data.arena->BagFor(item.node));
    return data.arena->ValueOf(*item.node);
}

// The bag an item holds (a handle for a document's container), or nullptr.
std::shared_ptr<JsonBag> BagOf(JsonBagData& data, const ItemRef& item) {
    if (item.entry) {
        const ObjectRef* ref = item.entry->value.Get<ObjectRef>();
        return ref ? std::static_pointer_cast<JsonBag>(*ref) : nullptr;
    }
    if (item.node->kind() == JsonNode::LinkedBag)
        return data.arena->links[item.node->index];
    return item.node->IsContainer() ? data.arena->BagFor(item.node) : nullptr;
}

} // namespace

// --- reading

int32_t JsonBag::Count() const {
    return Data().Count();
}

Variant JsonBag::Item(const Variant& key) const {
    const ItemRef item = FindForRead(Data(), key, true);
    return item ? ValueOf(Data(), item) : Variant();
}

bool JsonBag::ItemIsJSON(const Variant& key) const {
    return FindForRead(Data(), key, false).IsBag();
}

bool JsonBag::Exists(const Variant& key) const {
    if (const QString* name = key.Get<QString>()) {
        if (Data().isArray)
            return false;
        return MemberIndex(Data(), *name) >= 0;
    }
    if (IsNoKey(key) || !key.IsNumber())
        return false;
    try {
        // The same positions that Item reads: a fraction rounds, beyond Count is absent.
        const double number = key.ToDouble();
        return !(number > Data().Count()) && ToLong(number) >= 1;
    } catch (const RuntimeError&) {
        return false;
    }
}

Variant JsonBag::Name(int32_t index) const {
    if (Data().isArray)
        return Variant(index);
    if (index < 1 || index > Data().Count())
        RaiseStandardError(ErrorNumber::SubscriptOutOfRange);
    if (Data().InArena())
        return Variant(Data().arena->names.Text(Data().Items()[index - 1].name()));
    Data().Compact();
    return Variant(Data().entries[index - 1].name);
}

QStringList JsonBag::Version() const {
    return {QStringLiteral("2"), QStringLiteral("5")};
}

bool JsonBag::IsArray() const {
    return Data().isArray;
}

void JsonBag::SetIsArray(bool value) {
    if (Data().Count() > 0)
        RaiseJsonError(JsonBagError::IsArrayLocked,
                       QStringLiteral("Cannot change IsArray setting after items have been added"));
    JsonArenaEdit::SetIsArray(Data(), value);
    Data().isArray = value;
}

bool JsonBag::DecimalMode() const {
    return Data().decimalMode;
}

void JsonBag::SetDecimalMode(bool value) {
    SetEverywhere(*this, [value](auto& settings) { settings.decimalMode = value; });
}

void JsonBag::Clear() {
    // A bag handed out from a document stays in its place there, emptied; the document's own bag
    // simply lets go of it.
    if (!JsonArenaEdit::Clear(Data()))
        Data().RemoveAll();
    Data().isArray = false;
}

void JsonBag::SetJSON(const QString& text) {
    JsonArenaEdit::LinkInPlace(Data());
    Clear();
    JsonParser::Parse(text, Data());
}

QString JsonBag::JSON() const {
    return JsonWriter::Write(Data());
}

// --- editing

void JsonBag::SetItem(const Variant& key, const Variant& value) {
    if (value.IsObject()) {
        auto bag = value.As<JsonBag>();
        if (!bag)
            RaiseJsonError(JsonBagError::ForeignObject,
                           QStringLiteral("JsonBag does not support VB6 Objects"));
        // A bag may not end up below itself: the tree would have no end to write or release.
        bool loops = false;
        ForEachBag(bag->Data(), [&](JsonBagData& inner) { loops = loops || &inner == &Data(); });
        if (loops)
            RaiseJsonError(JsonBagError::ContainsItself, QStringLiteral("A JsonBag cannot contain itself"));
        // A bag handed out from a document holds its items itself before it goes elsewhere, so
        // that no document is kept alive from inside a bag that it keeps alive.
        if (!bag->Data().IsArenaRoot())
            JsonBagData::Thaw(*bag);
    }
    if (Data().isArray) {
        if (key.IsString())
            RaiseJsonError(JsonBagError::ArrayWriteByName,
                           QStringLiteral("Array values can only be changed by index or added via Null"));
        const int32_t index = IsNoKey(key) ? -1 : ReadIndex(key, Data().Count());
        if (JsonArenaEdit::SetItem(Data(), index, value))
            return;
        if (index < 0)
            Data().entries.emplace_back(QString(), value);
        else
            Data().entries[index].value = value;
        return;
    }
    const QString* name = key.Get<QString>();
    if (!name)
        RaiseJsonError(JsonBagError::ObjectWriteByIndex,
                       QStringLiteral("Object values can only be changed or added by key not by index"));
    if (JsonArenaEdit::SetMember(Data(), *name, value))
        return;
    Data().SetMember(QString(*name), Variant(value));
}

Variant JsonBag::CloneItem(const Variant& key) const {
    const ItemRef item = FindForRead(Data(), key, false);
    if (item.IsBag())
        return Variant(BagOf(Data(), item)->Clone());
    return ValueOf(Data(), item);
}

void JsonBag::SetCloneItem(const Variant& key, const Variant& value) {
    if (value.IsObject()) {
        auto bag = value.As<JsonBag>();
        if (!bag)
            RaiseJsonError(JsonBagError::ForeignObject,
                           QStringLiteral("JsonBag does not support VB6 Objects"));
        SetItem(key, Variant(bag->Clone()));
        return;
    }
    SetItem(key, value);
}

QString JsonBag::ItemJSON(const Variant& key) const {
    const std::shared_ptr<JsonBag> child = BagOf(Data(), FindForRead(Data(), key, false));
    if (!child)
        RaiseJsonError(JsonBagError::SimpleItemAsJson,
                       QStringLiteral("Simple Item cannot be retrieved as JSON text"));
    return child->JSON();
}

void JsonBag::SetItemJSON(const Variant& key, const QString& text) {
    std::shared_ptr<JsonBag> child = Data().NewChild(false);
    child->SetJSON(text);
    SetItem(key, Variant(std::move(child)));
}

std::shared_ptr<JsonBag> JsonBag::AddNewArray(const Variant& key) {
    std::shared_ptr<JsonBag> child = Data().NewChild(true);
    SetItem(key, Variant(child));
    return child;
}

std::shared_ptr<JsonBag> JsonBag::AddNewObject(const Variant& key) {
    std::shared_ptr<JsonBag> child = Data().NewChild(false);
    SetItem(key, Variant(child));
    return child;
}

void JsonBag::Remove(const Variant& key) {
    if (const QString* name = key.Get<QString>()) {
        if (Data().isArray)
            RaiseJsonError(JsonBagError::ArrayRemoveByName,
                           QStringLiteral("Must remove by index for arrays"));
        const int32_t index = MemberIndex(Data(), *name);
        if (index >= 0 && !JsonArenaEdit::Remove(Data(), index))
            Data().KillMember(index);
        return;
    }
    if (IsNoKey(key))
        return;
    const double number = key.ToDouble();
    if (!(number >= 1 && number <= Data().Count()))
        return;
    const int32_t index = ToLong(number) - 1;
    if (JsonArenaEdit::Remove(Data(), index))
        return;
    Data().Compact();
    if (Data().isArray) {
        // Array positions are implicit, so renumbering is the shift itself.
        Data().entries.erase(Data().entries.begin() + index);
    } else {
        Data().KillMember(index);
    }
}

std::shared_ptr<JsonBag> JsonBag::Clone() const {
    // Copies level by level with an explicit list of (source, copy) pairs: no recursion. A source
    // is a bag holding entries or an object or array of a parsed document.
    struct Source {
        const JsonBagData* bag; // nullptr for a container no bag was made for
        const JsonArena* arena; // set when the source is read from a document
        const JsonNode* container;
    };
    const auto sourceOf = [](const JsonBagData& bag) { return Source{&bag, bag.arena.get(), bag.container}; };
    auto copy = std::make_shared<JsonBag>();
    std::vector<std::pair<Source, JsonBagData*>> pending{{sourceOf(Data()), &copy->Data()}};
    while (!pending.empty()) {
        auto [source, target] = pending.back();
        pending.pop_back();
        if (source.bag)
            source.bag->PassSettingsTo(*target);
        else
            target->TakeSettings(source.arena->SettingsFor(source.container));
        if (!source.arena) {
            target->isArray = source.bag->isArray;
            target->entries.reserve(size_t(source.bag->Count()));
            for (const JsonEntry& entry : source.bag->entries) {
                if (entry.dead)
                    continue;
                Variant value = entry.value;
                if (const JsonBag* child = JsonBagData::ChildOf(entry.value)) {
                    auto childCopy = std::make_shared<JsonBag>();
                    pending.emplace_back(sourceOf(JsonBagData::Of(*child)), &childCopy->Data());
                    value = Variant(std::move(childCopy));
                }
                if (target->isArray)
                    target->entries.emplace_back(QString(), std::move(value));
                else
                    target->AppendMember(QString(entry.name), entry.hash, std::move(value));
            }
            continue;
        }
        const JsonArena& arena = *source.arena;
        target->isArray = source.container->kind() == JsonNode::Array;
        target->entries.reserve(source.container->length);
        for (uint32_t i = 0; i < source.container->length; ++i) {
            const JsonNode* item = source.container->items + i;
            Variant value;
            if (item->kind() == JsonNode::LinkedBag) {
                auto childCopy = std::make_shared<JsonBag>();
                pending.emplace_back(sourceOf(JsonBagData::Of(*arena.Linked(*item))), &childCopy->Data());
                value = Variant(std::move(childCopy));
            } else if (item->IsContainer()) {
                auto childCopy = std::make_shared<JsonBag>();
                // A container that was changed is copied from the bag that replaced it.
                const JsonBag* known = arena.KnownBag(item);
                if (known && JsonBagData::Of(*known).arena.get() != &arena)
                    pending.emplace_back(sourceOf(JsonBagData::Of(*known)), &childCopy->Data());
                else
                    pending.emplace_back(Source{nullptr, &arena, item}, &childCopy->Data());
                value = Variant(std::move(childCopy));
            } else {
                value = arena.ValueOf(*item);
            }
            if (target->isArray)
                target->entries.emplace_back(QString(), std::move(value));
            else
                target->AppendMember(QString(arena.names.Text(item->name())), arena.names.Hash(item->name()),
                                     std::move(value));
        }
    }
    return copy;
}

// --- layout

bool JsonBag::Whitespace() const {
    return Data().whitespace;
}

void JsonBag::SetWhitespace(bool value) {
    SetEverywhere(*this, [value](auto& settings) { settings.whitespace = value; });
}

int16_t JsonBag::WhitespaceIndent() const {
    return Data().whitespaceIndent;
}

void JsonBag::SetWhitespaceIndent(int16_t value) {
    if (value < 1 || value > 32)
        RaiseStandardError(ErrorNumber::InvalidPropertyValue);
    SetEverywhere(*this, [value](auto& settings) { settings.whitespaceIndent = value; });
}

QString JsonBag::WhitespaceNewLine() const {
    return Data().whitespaceNewLine;
}

void JsonBag::SetWhitespaceNewLine(const QString& value) {
    if (value.isEmpty())
        RaiseStandardError(ErrorNumber::InvalidPropertyValue);
    SetEverywhere(*this, [&value](auto& settings) { settings.whitespaceNewLine = value; });
}

} // namespace k7
