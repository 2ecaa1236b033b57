#pragma once

#include "core/Object.h"
#include "core/Variant.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace k7 {

// One JSON object or array with ordered items, 1-based positions and case-sensitive member names.
// Nested objects and arrays are child JsonBags held by reference. Every failure raises a
// RuntimeError with source "JsonBag" (numbers 0x80049900..0x800499C0) or a standard runtime error.
//
// A "Key" is a Variant: a String selects an object member by name, a number selects an item by
// position, Null means "no key" (append, for the write members).
class JsonBag : public Object {
public:
    JsonBag();
    ~JsonBag() override;
    JsonBag(const JsonBag&) = delete;
    JsonBag& operator=(const JsonBag&) = delete;

    static std::shared_ptr<JsonBag> Create() { return std::make_shared<JsonBag>(); }

    // --- reading
    int32_t Count() const;
    Variant Item(const Variant& key) const override;
    bool ItemIsJSON(const Variant& key) const;
    bool Exists(const Variant& key) const;
    Variant Name(int32_t index) const;
    QStringList Version() const;

    bool IsArray() const;
    void SetIsArray(bool value);
    bool DecimalMode() const;
    void SetDecimalMode(bool value);

    void Clear();

    // Parses `text` into this instance.
    void SetJSON(const QString& text);
    // Writes the whole document as JSON text.
    QString JSON() const;

    // --- editing
    void SetItem(const Variant& key, const Variant& value);
    Variant CloneItem(const Variant& key) const;
    void SetCloneItem(const Variant& key, const Variant& value);
    QString ItemJSON(const Variant& key) const;
    void SetItemJSON(const Variant& key, const QString& text);
    std::shared_ptr<JsonBag> AddNewArray(const Variant& key = Variant::Null());
    std::shared_ptr<JsonBag> AddNewObject(const Variant& key = Variant::Null());
    void Remove(const Variant& key);
    std::shared_ptr<JsonBag> Clone() const;

    // --- layout of written text
    bool Whitespace() const;
    void SetWhitespace(bool value);
    int16_t WhitespaceIndent() const;
    void SetWhitespaceIndent(int16_t value);
    QString WhitespaceNewLine() const;
    void SetWhitespaceNewLine(const QString& value);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace k7
