#pragma once

#include "orvelk7controls_export.h"
#include "frame/PropertyKey.h"
#include "core/Variant.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <type_traits>
#include <utility>
#include <vector>

// A control declares each of its properties once, in its class body after Q_OBJECT:
//
//     K7_PROPERTY(double, FontSize, fontSize_)     // getter reads the member
//     K7_PROPERTY_COMPUTED(int, FontSize)          // getter FontSize() written by hand
//     K7_TABLE_PROPERTY(int, FontSize)             // getter reads the table row (a font attribute)
//     K7_READ_ONLY_PROPERTY(double, LastRefresh, LastRefreshSerial)   // READ and what follows it
//
// Each expands to the Q_PROPERTY (moc expands macros whose definitions it sees through the include
// path, so the meta-object, Designer and uic see an ordinary property), the key `<Name>Property`
// (the name stringified: the table row and the identity member name the property by it), and, for
// a writable one, Qt's standard setter `set<Name>(Type)` taking the wide type Designer edits and
// handing the value to Assign. The class body continues in its public section.
#define K7_PROPERTY_COMPUTED(Type, Name)                                                                     \
    Q_PROPERTY(Type Name READ Name WRITE set##Name)                                                          \
public:                                                                                                      \
    static constexpr ::k7::PropertyKey Name##Property{#Name};                                                \
    void set##Name(::k7::SetterArgument<Type> value) {                                                       \
        Assign(Name##Property, ::k7::PropertyArgument(value));                                               \
    }
#define K7_PROPERTY(Type, Name, member)                                                                      \
    K7_PROPERTY_COMPUTED(Type, Name)                                                                         \
    decltype(auto) Name() const {                                                                            \
        return ::k7::PropertyReading(member);                                                                \
    }
#define K7_TABLE_PROPERTY(Type, Name)                                                                        \
    K7_PROPERTY_COMPUTED(Type, Name)                                                                         \
    Type Name() const {                                                                                      \
        return ::k7::ValueAs<Type>(Value(Name##Property));                                                   \
    }
#define K7_READ_ONLY_PROPERTY(Type, Name, ...)                                                               \
    Q_PROPERTY(Type Name READ __VA_ARGS__)                                                                   \
public:                                                                                                      \
    static constexpr ::k7::PropertyKey Name##Property{#Name, true};

namespace k7 {

class ControlBase;

// What K7_PROPERTY's setters and getters take and give: scalars by value, the rest by reference;
// a colour is handed to Assign as the signed 32-bit value whose bits it is.
template <class V> using SetterArgument = std::conditional_t<std::is_scalar_v<V>, V, const V&>;
template <class M> SetterArgument<M> PropertyReading(const M& member) {
    return member;
}
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
// default a restore uses when the store lacks it, its type, access and write form, and how to
// reach the member. Get/Set see the value in the property's own type; Save, when set, gives the
// value that WriteProperties stores when it differs from what Get returns, and StoredType the type
// that value has, in which ReadProperties converts it back before Set, so that what was saved is
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
// frame drives assignment and persistence from it, so a control only declares its table:
//
//     PropertyTable table;
//     table.Add(FontSizeProperty, &ProdCode::fontSize_, WriteForm::Plain, Variant(int16_t(8)));
//
// Rows are named by the keys K7_PROPERTY declares, never by a string of their own.
class K7_EXPORT PropertyTable {
public:
    // A property held in `member` of control class C (int16_t, int32_t, uint8_t, bool, float,
    // double, QString, or uint32_t for a colour), named by its key (read-only when the key says
    // so), persisted under its own name unless `persistence` says otherwise.
    template <class C, class M>
    PropertyTable& Add(PropertyKey key, M C::*member, WriteForm form,
                       const Variant& defaultValue = Variant(),
                       Persistence persistence = Persistence::Persisted) {
        return Add(Row<C>(
            key, [member](auto& control) -> auto& { return control.*member; }, form, defaultValue, persistence));
    }

    // The row of a property held wherever `member` finds it: a lambda that takes the control
    // (`auto&`: const or not) and gives the member itself (`-> auto&`). A control that keeps its
    // data behind its private pointer reaches it so, in its own source:
    //
    //     properties.Add(PropertyTable::Row<ProdCode>(FontSizeProperty,
    //                                                  [](auto& c) -> auto& { return c.d->FontSize; },
    //                                                  WriteForm::Plain, Variant(int16_t(8))));
    //
    // Name, persistence, access, type and the colour rule are those of Add.
    template <class C, class Member>
    static PropertyDefinition Row(PropertyKey key, Member member, WriteForm form,
                                  const Variant& defaultValue = Variant(),
                                  Persistence persistence = Persistence::Persisted) {
        static_assert(std::is_base_of_v<ControlBase, C>, "properties belong to controls");
        static_assert(std::is_lvalue_reference_v<decltype(member(std::declval<C&>()))>,
                      "the lambda gives the member itself (-> auto&)");
        using M = std::remove_cvref_t<decltype(member(std::declval<C&>()))>;
        PropertyDefinition property;
        property.Name = key.Text();
        property.PersistenceName = property.Name;
        property.Access = key.ReadOnly ? PropertyAccess::ReadOnly : PropertyAccess::ReadWrite;
        property.Persisted = persistence == Persistence::Persisted;
        property.Default = defaultValue;
        property.Type = TypeOf<M>();
        property.Form = form;
        property.Get = [member](const ControlBase& control) {
            return Variant(static_cast<Held<M>>(member(static_cast<const C&>(control))));
        };
        property.Set = [member](ControlBase& control, const Variant& value) {
            member(static_cast<C&>(control)) = static_cast<M>(*value.Get<Held<M>>());
        };
        return property;
    }

    // A property with hand-written accessors (Get, Set and Type must be filled in).
    PropertyTable& Add(PropertyDefinition property);

    // A notifying property that is one part of the control's own font or its text colour, shown
    // to the host as `shown` (a size as a whole size, a Boolean as "True"/"False" text) and
    // persisted as the part itself holds it (the size in single precision, Booleans), so a restore
    // gives back exactly what was saved. A write is taken as the part's own type (a size as the
    // host's type) and compared with the part; a value the part cannot take, or any failure of the
    // write, puts the part back to `defaultValue` without a word to the host.
    PropertyTable& AddFontAttribute(PropertyKey key, FontPart part, PropertyType shown,
                                    const Variant& defaultValue);

    // Refinements of the row added last.
    PropertyTable& WriteOnly();
    PropertyTable& ReadOnly();
    PropertyTable& PersistedAs(const QString& persistenceName);
    PropertyTable& PersistedValue(PropertyType storedType, std::function<Variant(const ControlBase&)> save);
    template <class C> PropertyTable& WriteStep(void (C::*step)(const Variant&)) {
        static_assert(std::is_base_of_v<ControlBase, C>, "properties belong to controls");
        definitions_.back().Write = [step](ControlBase& control, const Variant& value) {
            (static_cast<C&>(control).*step)(value);
        };
        return *this;
    }

    // A step of the row added last (notifying) between storing a changed value and telling the
    // host; `step` is any callable taking the control as C&.
    template <class C, class Step> PropertyTable& BeforeNotify(Step step) {
        static_assert(std::is_base_of_v<ControlBase, C>, "properties belong to controls");
        definitions_.back().BeforeNotify = [step](ControlBase& control) { step(static_cast<C&>(control)); };
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
    // The runtime type a member's value travels in: a colour as the signed 32-bit Long whose bits
    // it is, as hosts hand system colours over; every other member as itself.
    template <class M> using Held = std::conditional_t<std::is_same_v<M, uint32_t>, int32_t, M>;

    std::vector<const PropertyDefinition*> Sequence(const QStringList& order) const;

    std::vector<PropertyDefinition> definitions_;
    QStringList readOrder_;
    QStringList writeOrder_;
};

} // namespace k7
