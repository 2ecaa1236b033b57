#pragma once

#include "core/Variant.h"
#include "frame/properties/PropertyKey.h"
#include "orvelk7controls_export.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <type_traits>
#include <utility>
#include <vector>

namespace k7 {

class ControlBase;

// What a property's setter takes: scalars by value, the rest by reference. ValueAs gives a value
// as the getter's type; a colour is handed to Assign as the signed 32-bit value whose bits it is.
template <class V> using SetterArgument = std::conditional_t<std::is_scalar_v<V>, V, const V&>;
template <class T> T ValueAs(const Variant& value) {
    if constexpr (std::is_same_v<T, QString>)
        return value.ToText();
    else if constexpr (std::is_same_v<T, bool>)
        return value.ToBoolean();
    else if constexpr (std::is_floating_point_v<T>)
        return static_cast<T>(value.ToDouble());
    else
        return static_cast<T>(value.ToLong()); // a colour comes back from its signed bits
}
inline Variant PropertyArgument(uint32_t colour) {
    return Variant(static_cast<int32_t>(colour));
}
template <class V> Variant PropertyArgument(const V& value) {
    return Variant(value);
}

// The runtime type a held value travels in: a colour as the signed 32-bit Long whose bits it is,
// as hosts hand system colours over; every other value as itself.
template <class M> using HeldAs = std::conditional_t<std::is_same_v<M, uint32_t>, int32_t, M>;
template <class M, class V> Variant HeldVariant(const V& value) {
    return Variant(static_cast<HeldAs<M>>(M(value)));
}

// How a property is held and converted when it is assigned or restored. Color is an unsigned
// 32-bit 0x00BBGGRR value (or a system colour 0x800000nn).
enum class PropertyType { String, Boolean, Byte, Integer, Long, Single, Double, Color };

// What the control's interface lets a host do with the property. A write-only property (a caption
// list) still answers Value(), so hosts and dumps can show what it holds; a read-only one refuses
// Assign with 383.
enum class PropertyAccess { ReadWrite, ReadOnly, WriteOnly };

// Plain: store without comparing or telling anyone. Notifying: compare, ask the host, store, tell
// the host (ControlBase::Assign).
enum class WriteForm { Plain, Notifying };

enum class Persistence { Persisted, NotPersisted };

// The parts of a control's own font (and its text colour) that a font-backed property can stand
// for (PropertyTable::AddFontAttribute).
enum class FontPart { Name, Size, Bold, Italic, TextColor };

// One property of a control: its public name, the name it is persisted and announced under, the
// default a restore uses when the store lacks it, its type, the type its Q_PROPERTY shows, access
// and write form, and how to reach the member. Get/Set see the value in the property's own type; Save, when
// set, gives the value that WriteProperties stores when it differs from what Get returns, and StoredType the
// type that value has, in which ReadProperties converts it back before Set, so that what was saved is
// restored exactly (a size saved as 9.75 does not come back as the whole size Get shows). Write, when set,
// replaces the two standard forms for a host's assignment: it receives the value as the host gave
// it, unconverted (a property that converts inside its own comparison, or resets itself on a
// failure, says so there). BeforeNotify, when set, runs in a notifying write after the value is
// stored and before the host is told (a caption list renaming its menu): a failure there reaches
// the writer with the value kept and the host not told.
struct PropertyDefinition {
    QString Name;
    QString PersistenceName;
    bool Persisted = true;
    Variant Default;
    PropertyType Type = PropertyType::String;
    QMetaType Shown;
    PropertyAccess Access = PropertyAccess::ReadWrite;
    WriteForm Form = WriteForm::Plain;
    std::function<Variant(const ControlBase&)> Get;
    std::function<void(ControlBase&, const Variant&)> Set;
    std::function<Variant(const ControlBase&)> Save;
    PropertyType StoredType = PropertyType::String; // with Save only
    std::function<void(ControlBase&, const Variant&)> Write;
    std::function<void(ControlBase&)> BeforeNotify;
};

// The property table of one control class, in the order the control persists its properties. The
// frame drives assignment and persistence from it, so a control only declares its table, one line
// per property (frame/properties/PropertyDeclarations_p.h). Rows are named by keys, never by a string of
// their own.
class K7_EXPORT PropertyTable {
public:
    // The row of a property held in the member `member(control) -> auto&` returns, whose type is
    // the property's (docs/controls.md, "Properties").
    template <class C, class Shown = void, class Member>
    static PropertyDefinition
    Row(PropertyKey key, Member member, WriteForm form, const Variant& defaultValue = Variant(),
        Persistence persistence = Persistence::Persisted, PropertyAccess access = PropertyAccess::ReadWrite) {
        static_assert(std::is_base_of_v<ControlBase, C>, "properties belong to controls");
        static_assert(std::is_lvalue_reference_v<decltype(member(std::declval<C&>()))>,
                      "the lambda gives the member itself (-> auto&)");
        using M = std::remove_cvref_t<decltype(member(std::declval<C&>()))>;
        PropertyDefinition property;
        property.Name = key.Text();
        property.PersistenceName = property.Name;
        property.Access = key.ReadOnly ? PropertyAccess::ReadOnly : access;
        property.Persisted = persistence == Persistence::Persisted;
        property.Default = defaultValue;
        property.Type = TypeOf<M>();
        if constexpr (std::is_void_v<Shown>)
            property.Shown = ShownType(property.Type);
        else
            property.Shown = QMetaType::fromType<Shown>();
        property.Form = form;
        property.Get = [member](const ControlBase& control) {
            return Variant(static_cast<HeldAs<M>>(member(static_cast<const C&>(control))));
        };
        property.Set = [member](ControlBase& control, const Variant& value) {
            member(static_cast<C&>(control)) = static_cast<M>(*value.Get<HeldAs<M>>());
        };
        return property;
    }

    // A property with hand-written accessors (Get, Set and Type must be filled in).
    PropertyTable& Add(PropertyDefinition property);

    // A notifying property that is one part of the control's font or text colour, shown as `shown`
    // and persisted as the part holds it (a value the part cannot take restores `defaultValue`).
    PropertyTable& AddFontAttribute(PropertyKey key, FontPart part, PropertyType shown,
                                    const Variant& defaultValue);

    // A step of the row named `key` (notifying) between storing a changed value and telling the
    // host; `step` is any callable taking the control as C&.
    template <class C, class Step> PropertyTable& BeforeNotify(PropertyKey key, Step step) {
        static_assert(std::is_base_of_v<ControlBase, C>, "properties belong to controls");
        Row(key).BeforeNotify = [step](ControlBase& control) { step(static_cast<C&>(control)); };
        return *this;
    }

    // Persistence order differing from the table order (persisted properties).
    PropertyTable& SetReadOrder(std::initializer_list<PropertyKey> keys);
    PropertyTable& SetWriteOrder(std::initializer_list<PropertyKey> keys);

    const std::vector<PropertyDefinition>& Definitions() const { return definitions_; }
    const PropertyDefinition* Find(const QString& name) const;
    // 438 "Object doesn't support this property or method" for a name the table lacks.
    const PropertyDefinition& At(const QString& name) const;

    // The type a property's value has in the store: StoredType for a row with its own Save, else
    // the property's type.
    static PropertyType PersistedType(const PropertyDefinition& property) {
        return property.Save ? property.StoredType : property.Type;
    }

    // The persisted properties in the order they are read / written.
    std::vector<const PropertyDefinition*> ReadSequence() const;
    std::vector<const PropertyDefinition*> WriteSequence() const;

    // `value` converted to `type` with the runtime's rules (13 type mismatch, 6 overflow, 94 Null);
    // the result holds exactly the C++ type of the property.
    static Variant Convert(PropertyType type, const Variant& value);

    // The widest type of a kind, the one a Q_PROPERTY shows and Designer edits.
    static QMetaType ShownType(PropertyType type);

    template <class M> static constexpr PropertyType TypeOf() {
        if constexpr (std::is_same_v<M, QString>)
            return PropertyType::String;
        else if constexpr (std::is_same_v<M, bool>)
            return PropertyType::Boolean;
        else if constexpr (std::is_same_v<M, uint8_t>)
            return PropertyType::Byte;
        else if constexpr (std::is_same_v<M, int16_t>)
            return PropertyType::Integer;
        else if constexpr (std::is_same_v<M, int32_t>)
            return PropertyType::Long;
        else if constexpr (std::is_same_v<M, float>)
            return PropertyType::Single;
        else if constexpr (std::is_same_v<M, uint32_t>)
            return PropertyType::Color;
        else {
            static_assert(std::is_same_v<M, double>, "unsupported property member type");
            return PropertyType::Double;
        }
    }

private:
    PropertyDefinition& Row(PropertyKey key);

    std::vector<PropertyDefinition> definitions_;
    QStringList readOrder_;
    QStringList writeOrder_;
};

} // namespace k7
