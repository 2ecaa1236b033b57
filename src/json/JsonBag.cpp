#include "json/JsonBag.h"

#include "core/Conversions.h"
#include "core/RuntimeError.h"
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

// Visits `root` and every bag below it once, without recursion.
template <class Visit> void ForEachBag(JsonBagData& root, Visit visit) {
    std::vector<JsonBagData*> pending{&root};
    std::unordered_set<const JsonBagData*> seen{&root};
    while (!pending.empty()) {
        JsonBagData* bag = pending.back();
        pending.pop_back();
        visit(*bag);
        for (const JsonEntry& entry : bag->entries)
            if (const JsonBag* child = JsonBagData::ChildOf(entry.value)) {
                JsonBagData* data = &JsonBagData::Of(*child);
                if (seen.insert(data).second)
                    pending.push_back(data);
            }
    }
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

// Finds the entry a read member designates: by name on an object, by position otherwise.
// Returns nullptr for a position beyond Count when `beyondIsEmpty`, and raises for everything
// else that designates nothing.
const JsonEntry* FindForRead(JsonBagData& data, const Variant& key, bool beyondIsEmpty) {
    if (IsNoKey(key))
        FailKeyRequired();
    if (const QString* name = key.Get<QString>()) {
        if (data.isArray)
            RaiseJsonError(JsonBagError::ArrayReadByName,
                           QStringLiteral("Array values can only be acessed by index"));
        const int32_t index = data.FindMember(*name);
        if (index < 0)
            RaiseJsonError(JsonBagError::UnknownName,
                           QStringLiteral("Requested Item by key doesn't exist (case mismatch?)"));
        return &data.entries[index];
    }
    const int32_t index = beyondIsEmpty ? ReadIndex(key, data.Count()) : ExistingIndex(key, data.Count());
    if (index < 0)
        return nullptr;
    data.Compact();
    return &data.entries[index];
}

} // namespace

// --- reading

int32_t JsonBag::Count() const {
    return Data().Count();
}

Variant JsonBag::Item(const Variant& key) const {
    const JsonEntry* entry = FindForRead(Data(), key, true);
    return entry ? entry->value : Variant();
}

bool JsonBag::ItemIsJSON(const Variant& key) const {
    return JsonBagData::ChildOf(FindForRead(Data(), key, false)->value) != nullptr;
}

bool JsonBag::Exists(const Variant& key) const {
    if (const QString* name = key.Get<QString>())
        return !Data().isArray && Data().FindMember(*name) >= 0;
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
    Data().Compact();
    return Variant(JsonBagData::DetachedName(Data().entries[index - 1].name));
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
    Data().isArray = value;
}

bool JsonBag::DecimalMode() const {
    return Data().decimalMode;
}

void JsonBag::SetDecimalMode(bool value) {
    ForEachBag(Data(), [value](JsonBagData& bag) { bag.decimalMode = value; });
}

void JsonBag::Clear() {
    Data().RemoveAll();
    Data().isArray = false;
}

void JsonBag::SetJSON(const QString& text) {
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
    }
    if (Data().isArray) {
        if (key.IsString())
            RaiseJsonError(JsonBagError::ArrayWriteByName,
                           QStringLiteral("Array values can only be changed by index or added via Null"));
        const int32_t index = IsNoKey(key) ? -1 : ReadIndex(key, Data().Count());
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
    Data().SetMember(QString(*name), Variant(value));
}

Variant JsonBag::CloneItem(const Variant& key) const {
    const JsonEntry* entry = FindForRead(Data(), key, false);
    if (const JsonBag* child = JsonBagData::ChildOf(entry->value))
        return Variant(child->Clone());
    return entry->value;
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
    const JsonBag* child = JsonBagData::ChildOf(FindForRead(Data(), key, false)->value);
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
        const int32_t index = Data().FindMember(*name);
        if (index >= 0)
            Data().KillMember(index);
        return;
    }
    if (IsNoKey(key))
        return;
    const double number = key.ToDouble();
    if (!(number >= 1 && number <= Data().Count()))
        return;
    const int32_t index = ToLong(number) - 1;
    Data().Compact();
    if (Data().isArray) {
        // Array positions are implicit, so renumbering is the shift itself.
        Data().entries.erase(Data().entries.begin() + index);
    } else {
        Data().KillMember(index);
    }
}

std::shared_ptr<JsonBag> JsonBag::Clone() const {
    // Copies level by level with an explicit list of (source, copy) pairs: no recursion.
    auto copy = std::make_shared<JsonBag>();
    std::vector<std::pair<const JsonBagData*, JsonBagData*>> pending{{&Data(), &copy->Data()}};
    while (!pending.empty()) {
        auto [source, target] = pending.back();
        pending.pop_back();
        target->isArray = source->isArray;
        target->decimalMode = source->decimalMode;
        target->whitespace = source->whitespace;
        target->whitespaceIndent = source->whitespaceIndent;
        target->whitespaceNewLine = source->whitespaceNewLine;
        target->entries.reserve(size_t(source->Count()));
        for (const JsonEntry& entry : source->entries) {
            if (entry.dead)
                continue;
            Variant value = entry.value;
            if (JsonBagData::ChildOf(entry.value)) {
                auto child = std::make_shared<JsonBag>();
                pending.emplace_back(&JsonBagData::Of(*JsonBagData::ChildOf(entry.value)), &child->Data());
                value = Variant(std::move(child));
            }
            if (target->isArray)
                target->entries.emplace_back(QString(), std::move(value));
            else
                target->AppendMember(JsonBagData::DetachedName(entry.name), entry.hash, std::move(value));
        }
    }
    return copy;
}

// --- layout

bool JsonBag::Whitespace() const {
    return Data().whitespace;
}

void JsonBag::SetWhitespace(bool value) {
    ForEachBag(Data(), [value](JsonBagData& bag) { bag.whitespace = value; });
}

int16_t JsonBag::WhitespaceIndent() const {
    return Data().whitespaceIndent;
}

void JsonBag::SetWhitespaceIndent(int16_t value) {
    if (value < 1 || value > 32)
        RaiseStandardError(ErrorNumber::InvalidPropertyValue);
    ForEachBag(Data(), [value](JsonBagData& bag) { bag.whitespaceIndent = value; });
}

QString JsonBag::WhitespaceNewLine() const {
    return Data().whitespaceNewLine;
}

void JsonBag::SetWhitespaceNewLine(const QString& value) {
    if (value.isEmpty())
        RaiseStandardError(ErrorNumber::InvalidPropertyValue);
    ForEachBag(Data(), [&value](JsonBagData& bag) { bag.whitespaceNewLine = value; });
}

} // namespace k7
