#pragma once

#include "frame/PropertyTable.h"

#include <type_traits>
#include <utility>

namespace k7 {

// A property row for a value a control keeps in its private data (the `d` of every control), the
// counterpart of PropertyTable::Add for a member of the control class itself. The control's
// installed header shows nothing of its data, so a later release can add to it without changing the
// class's size; the table reaches the member through `member`, a lambda written in the control's
// own source (so it may use the private data), taking the control (const or not: `auto&`) and
// giving the member:
//
//     properties.Add(PrivateMember<ProdCode>(FontSizeProperty,
//                                            [](auto& c) -> auto& { return c.d->FontSize; },
//                                            WriteForm::Plain, Variant(int16_t(8))));
//
// Name, persistence, access, type and the colour rule are those of PropertyTable::Add.
template <class C, class Member>
PropertyDefinition PrivateMember(PropertyKey key, Member member, WriteForm form,
                                 const Variant& defaultValue = Variant(),
                                 Persistence persistence = Persistence::Persisted) {
    static_assert(std::is_base_of_v<ControlBase, C>, "properties belong to controls");
    using M = std::remove_cvref_t<decltype(member(std::declval<C&>()))>;
    static_assert(std::is_lvalue_reference_v<decltype(member(std::declval<C&>()))>,
                  "the lambda gives the member itself (-> auto&)");
    // A colour travels as the signed 32-bit Long whose bits it is, as hosts hand system colours over.
    using Held = std::conditional_t<std::is_same_v<M, uint32_t>, int32_t, M>;
    PropertyDefinition property;
    property.Name = key.Text();
    property.PersistenceName = property.Name;
    property.Access = key.ReadOnly ? PropertyAccess::ReadOnly : PropertyAccess::ReadWrite;
    property.Persisted = persistence == Persistence::Persisted;
    property.Default = defaultValue;
    property.Type = PropertyTable::TypeOf<M>();
    property.Form = form;
    property.Get = [member](const ControlBase& control) {
        return Variant(static_cast<Held>(member(static_cast<const C&>(control))));
    };
    property.Set = [member](ControlBase& control, const Variant& value) {
        member(static_cast<C&>(control)) = static_cast<M>(*value.Get<Held>());
    };
    return property;
}

} // namespace k7
