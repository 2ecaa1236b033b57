#pragma once

#include "frame/properties/PropertyTable.h"

// A control writes each of its own properties once, as one line of a list in its .cpp:
//
//     #define PRODCODE_PROPERTIES(HELD, FONT) HELD(double, FontSize, float, 8, Plain, ReadWrite, Persisted)
//
// HELD(shown, Name, held, default, form, access, persistence) is a property whose value the
// control keeps in its private data: `shown` is the type of its Q_PROPERTY, getter and setter
// (the widest of its kind, the one Designer edits), `held` the type it is kept, converted and
// persisted in (QString, bool, uint8_t, int16_t, int32_t, float, double, uint32_t for a colour),
// `default` what a restore takes when the store lacks it, `form` Plain or Notifying, `access`
// ReadWrite or WriteOnly, `persistence` Persisted or NotPersisted.
// FONT(shown, Name, part, held, default) is a part of the control's font or its text colour
// (PropertyTable::AddFontAttribute), shown as `shown` and handed to the host as `held`.
//
// From that list the control's .cpp takes, each by one statement:
//   K7_PROPERTY_KEYS(LIST)            the keys <Name>Property that rows and identity name it by;
//   K7_HELD_VALUES(LIST)              the held values, inside `struct <Control>::Private`, each
//                                     starting empty or zero (K7_HELD_VALUES_AT_DEFAULTS: at its
//                                     default) until the host restores or writes it;
//   K7_ADD_PROPERTY_ROWS(C, LIST, table)   the table rows, in list order;
//   K7_PROPERTY_ACCESSORS(C, LIST)    the getter `shown Name() const` and the setter
//                                     `void setName(shown)` the installed header declares.
// The header keeps its literal Q_PROPERTY lines, since moc reads them as written; the contract
// test holds each one to the shown type of its row.

#define K7_DECLARE_KEY(shown, Name, ...) [[maybe_unused]] constexpr ::k7::PropertyKey Name##Property{#Name};
#define K7_PROPERTY_KEYS(LIST) LIST(K7_DECLARE_KEY, K7_DECLARE_KEY)

#define K7_HELD_VALUE(shown, Name, held, ...) held Name{};
#define K7_HELD_VALUE_AT_DEFAULT(shown, Name, held, defaultValue, ...) held Name{defaultValue};
#define K7_NO_HELD_VALUE(...)
#define K7_HELD_VALUES(LIST) LIST(K7_HELD_VALUE, K7_NO_HELD_VALUE)
#define K7_HELD_VALUES_AT_DEFAULTS(LIST) LIST(K7_HELD_VALUE_AT_DEFAULT, K7_NO_HELD_VALUE)

#define K7_ADD_HELD_ROW(shown, Name, held, defaultValue, form, access, persistence)                          \
    k7Rows.Add(::k7::PropertyTable::Row<K7Control, shown>(                                                   \
        Name##Property, [](auto& control) -> auto& { return control.d->Name; }, ::k7::WriteForm::form,       \
        ::k7::HeldVariant<held>(defaultValue), ::k7::Persistence::persistence,                               \
        ::k7::PropertyAccess::access));
#define K7_ADD_FONT_ROW(shown, Name, part, held, defaultValue)                                               \
    k7Rows.AddFontAttribute(Name##Property, ::k7::FontPart::part, ::k7::PropertyTable::TypeOf<held>(),       \
                            ::k7::HeldVariant<held>(defaultValue));
#define K7_ADD_PROPERTY_ROWS(C, LIST, table)                                                                 \
    do {                                                                                                     \
        using K7Control = C;                                                                                 \
        ::k7::PropertyTable& k7Rows = (table);                                                               \
        LIST(K7_ADD_HELD_ROW, K7_ADD_FONT_ROW)                                                               \
    } while (false)

#define K7_DEFINE_ACCESSORS(shown, Name, ...)                                                                \
    shown K7Control::Name() const {                                                                          \
        return ::k7::ValueAs<shown>(Value(Name##Property));                                                  \
    }                                                                                                        \
    void K7Control::set##Name(::k7::SetterArgument<shown> value) {                                           \
        Assign(Name##Property, ::k7::PropertyArgument(value));                                               \
    }
#define K7_PROPERTY_ACCESSORS(C, LIST)                                                                       \
    using K7Control = C;                                                                                     \
    LIST(K7_DEFINE_ACCESSORS, K7_DEFINE_ACCESSORS)
