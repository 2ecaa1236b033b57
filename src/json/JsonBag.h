#pragma once

#include "orvelk7controls_export.h"
#include "core/Object.h"
#include "core/Variant.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace k7 {

class JsonBagData;

// The numbers of the errors a JsonBag raises itself (source "JsonBag"): the automation error base
// 0x80040000 plus 0x99xx, as signed 32-bit values. Callers compare against these; the descriptions
// are listed beside them ("N" is a 1-based character position in the text after CR and LF were
// removed).
namespace JsonBagError {
constexpr int32_t Code(uint32_t hex) {
    return static_cast<int32_t>(hex);
}
// "Cannot change IsArray setting after items have been added"
constexpr int32_t IsArrayLocked = Code(0x80049900);
// "Key must be provided, a String or an index"
constexpr int32_t KeyRequired = Code(0x80049904);
// "Array values can only be acessed by index"
constexpr int32_t ArrayReadByName = Code(0x80049908);
// "Simple Item cannot be retrieved as JSON text"
constexpr int32_t SimpleItemAsJson = Code(0x8004990A);
// "Requested Item by key doesn't exist (case mismatch?)"
constexpr int32_t UnknownName = Code(0x8004990C);
// "JsonBag does not support VB6 Objects"
constexpr int32_t ForeignObject = Code(0x8004990D);
// "Array values can only be changed by index or added via Null"
constexpr int32_t ArrayWriteByName = Code(0x8004990E);
// "Object values can only be changed or added by key not by index"
constexpr int32_t ObjectWriteByIndex = Code(0x80049910);
// "Must remove by index for arrays"
constexpr int32_t ArrayRemoveByName = Code(0x8004991C);
// "Empty value at character N"
constexpr int32_t EmptyValue = Code(0x80049920);
// "Second decimal point at character N"
constexpr int32_t SecondDecimalPoint = Code(0x80049924);
// "Digit expected at character N"
constexpr int32_t DigitExpected = Code(0x80049928);
// "Second exponent sign at character N"
constexpr int32_t SecondExponentSign = Code(0x8004992C);
// "Ran off end of JSON text while parsing a number"
constexpr int32_t NumberRanOffEnd = Code(0x80049930);
// "Number overflow or parse error at character N"
constexpr int32_t NumberConversion = Code(0x80049934);
// "Invalid string character (hex XXXX) at N"
constexpr int32_t InvalidStringCharacter = Code(0x80049938);
// "Bad value at character N"
constexpr int32_t BadValue = Code(0x8004993C);
// Item "NAME" value TEXT failed to serialize  (a number that has no JSON form: NaN, infinities)
constexpr int32_t SerializeFailed = Code(0x80049940);
// "Item NAME" unknown/unsupported type = CODE  (a Date value: code 7)
constexpr int32_t UnsupportedType = Code(0x80049944);
// "Expected either { or [ at character N", "Expected : at character N",
// "Expected , or } at character N", "Expected \" at character N"
constexpr int32_t Expected = Code(0x800499A0);
// "Bad string character escape at character N"
constexpr int32_t BadEscape = Code(0x800499B0);
// Unexpected ":" at character N
constexpr int32_t UnexpectedColon = Code(0x800499C0);
// "Nesting deeper than 1000 levels at character N": the parser refuses to open a 1001st level
// (the document itself is level 1), so no text can exhaust the stack.
constexpr int32_t NestingTooDeep = Code(0x800499C4);
// "A JsonBag cannot contain itself": storing a bag inside itself or inside one of its own
// descendants, which would make the tree endless to write and impossible to release.
constexpr int32_t ContainsItself = Code(0x800499C8);
} // namespace JsonBagError

// One JSON object or array with ordered items, 1-based positions and case-sensitive member names.
// Nested objects and arrays are child JsonBags held by reference. Every failure raises a
// RuntimeError with source "JsonBag" (numbers in JsonBagError) or a standard runtime error:
// 5 when the text ends where an object or array needs another character, 9 for a position outside
// 1..Count, 380 for a layout value outside its range.
//
// A "Key" is a Variant: a String selects an object member by name, a number selects an item by
// position (fractions round half to even), Null means "no key" (append, for the write members).
// Empty is taken as Null, since C++ has no omitted argument.
//
// Parsing accepts what the controls have always accepted: CR and LF are removed from the text
// before anything else, commas between items may be missing or trailing, the literals true, false
// and null match in any case, and nothing after the top-level value is looked at. A member name
// met twice keeps the last value and moves to the end.
//
// Settings flow down the tree: DecimalMode and the three layout options, when written, are set on
// every descendant; a parsed or added child starts with its parent's settings.
//
// Deep trees are safe: parsing stops at 1000 levels, writing, cloning and setting options walk
// the tree without recursion, and destruction recurses only a bounded number of levels, so a tree
// built by editing may be of any depth. Lookup by name goes through a hash index once an object
// holds more than a handful of members (built by the first such lookup). Moving a member to the
// end or removing it is amortised constant time in a bag built by editing; in a parsed document
// it moves the items after it one place (16 bytes each).
//
// One thread at a time; no locks.
class K7_EXPORT JsonBag : public Object {
public:
    JsonBag();
    ~JsonBag() override;
    JsonBag(const JsonBag&) = delete;
    JsonBag& operator=(const JsonBag&) = delete;

    static std::shared_ptr<JsonBag> Create() { return std::make_shared<JsonBag>(); }

    // --- reading
    int32_t Count() const;
    // A number beyond Count gives Empty; a child bag comes back by reference (shared).
    Variant Item(const Variant& key) const override;
    bool ItemIsJSON(const Variant& key) const;
    // Never raises.
    bool Exists(const Variant& key) const;
    // The member name of an object (9 outside 1..Count); for an array, `index` itself, unchecked.
    Variant Name(int32_t index) const;
    // {"2", "5"}
    QStringList Version() const;

    bool IsArray() const;
    // Raises IsArrayLocked while the bag holds items.
    void SetIsArray(bool value);
    // True: parsed numbers become Decimal instead of Double. Already parsed values stay as they are.
    bool DecimalMode() const;
    void SetDecimalMode(bool value);

    // Removes every item and makes the bag an object; settings are kept.
    void Clear();

    // Parses `text` into this instance. On failure the bag keeps what was complete before it.
    void SetJSON(const QString& text);
    // Writes the whole document as JSON text.
    QString JSON() const;

    // --- editing
    // Array: Null (or a number beyond Count) appends, a position replaces in place. Object: a
    // name replaces the member and moves it to the end, or appends a new one.
    void SetItem(const Variant& key, const Variant& value);
    // Like Item, but a child bag comes back as a deep copy, and 9 beyond Count.
    Variant CloneItem(const Variant& key) const;
    // Stores a deep copy of a bag value, anything else as SetItem does.
    void SetCloneItem(const Variant& key, const Variant& value);
    // The JSON text of a child object or array.
    QString ItemJSON(const Variant& key) const;
    // Parses `text` into a new child with this bag's settings and stores it; nothing is stored
    // when the text does not parse.
    void SetItemJSON(const Variant& key, const QString& text);
    std::shared_ptr<JsonBag> AddNewArray(const Variant& key = Variant::Null());
    std::shared_ptr<JsonBag> AddNewObject(const Variant& key = Variant::Null());
    // A name or a position; a missing item is no error. Array positions are renumbered.
    void Remove(const Variant& key);
    std::shared_ptr<JsonBag> Clone() const;

    // --- layout of written text
    // Indented, one item per line. Default False.
    bool Whitespace() const;
    void SetWhitespace(bool value);
    // Spaces per level, 1..32 (380 otherwise). Default 4.
    int16_t WhitespaceIndent() const;
    void SetWhitespaceIndent(int16_t value);
    // Line break, not empty (380 otherwise). Default CR LF.
    QString WhitespaceNewLine() const;
    void SetWhitespaceNewLine(const QString& value);

private:
    friend class JsonBagData;
    JsonBagData& Data() const;

    // The bag's state lives inside the object, so that a bag costs one allocation (documents
    // hold thousands of small ones); its layout is private to the implementation, which checks
    // that it fits.
    static constexpr size_t kDataSize = 152;
    alignas(8) unsigned char data_[kDataSize];
};

} // namespace k7
