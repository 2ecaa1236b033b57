#include "frame/properties/PropertyTable.h"

#include "core/Conversions_p.h"
#include "core/RuntimeError.h"
#include "frame/control/ControlBase.h"
#include "frame/control/ControlHost.h"

namespace k7 {

namespace {

// A colour arrives as any number: an unsigned value up to 0xFFFFFFFF, or the signed 32-bit form
// in which system colours come from hosts that only know signed integers (&H80000012 reads as
// -2147483630). Fractions round halves to even, as every integer conversion does.
uint32_t ToColor(const Variant& value) {
    const double number = RoundHalfEven(value.ToDouble());
    if (number < -2147483648.0 || number > 4294967295.0)
        Raise(ErrorNumber::Overflow);
    if (number < 0)
        return static_cast<uint32_t>(static_cast<int32_t>(number));
    return static_cast<uint32_t>(number);
}

// The type a font part holds its value in.
PropertyType HeldType(FontPart part) {
    switch (part) {
    case FontPart::Name:
        return PropertyType::String;
    case FontPart::Size:
        return PropertyType::Single;
    case FontPart::Bold:
    case FontPart::Italic:
        return PropertyType::Boolean;
    case FontPart::TextColor:
        break;
    }
    return PropertyType::Color;
}

Variant ReadPart(const ControlBase& control, FontPart part) {
    const FontStyle& font = control.ControlFont();
    switch (part) {
    case FontPart::Name:
        return Variant(font.Name);
    case FontPart::Size:
        return Variant(font.Size);
    case FontPart::Bold:
        return Variant(font.Bold);
    case FontPart::Italic:
        return Variant(font.Italic);
    case FontPart::TextColor:
        break;
    }
    return Variant(static_cast<int32_t>(control.ForeColor()));
}

// `value` holds the part's own type. The control raises 380 for a size no font can have.
void ApplyPart(ControlBase& control, FontPart part, const Variant& value) {
    if (part == FontPart::TextColor) {
        control.SetForeColor(static_cast<uint32_t>(*value.Get<int32_t>()));
        return;
    }
    FontStyle font = control.ControlFont();
    switch (part) {
    case FontPart::Name:
        font.Name = value.ToText();
        break;
    case FontPart::Size:
        font.Size = value.ToSingle();
        break;
    case FontPart::Bold:
        font.Bold = value.ToBoolean();
        break;
    case FontPart::Italic:
        font.Italic = value.ToBoolean();
        break;
    case FontPart::TextColor:
        break;
    }
    control.SetControlFont(font);
}

// The persisted properties of `table` in `order`, or in table order when `order` is empty.
std::vector<const PropertyDefinition*> Sequence(const PropertyTable& table, const QStringList& order) {
    std::vector<const PropertyDefinition*> sequence;
    if (order.isEmpty()) {
        for (const PropertyDefinition& property : table.Definitions())
            if (property.Persisted)
                sequence.push_back(&property);
        return sequence;
    }
    for (const QString& name : order) {
        const PropertyDefinition& property = table.At(name);
        if (property.Persisted)
            sequence.push_back(&property);
    }
    return sequence;
}

} // namespace

PropertyTable& PropertyTable::AddFontAttribute(PropertyKey key, FontPart part, PropertyType shown,
                                               const Variant& defaultValue) {
    const PropertyType held = HeldType(part);
    PropertyDefinition property;
    property.Name = key.Text();
    property.Type = shown;
    property.Shown = ShownType(shown);
    property.Default = defaultValue;
    property.Form = WriteForm::Notifying;
    property.Get = [part, shown](const ControlBase& control) {
        return Convert(shown, ReadPart(control, part));
    };
    property.Set = [part](ControlBase& control, const Variant& value) { ApplyPart(control, part, value); };
    if (shown != held) {
        property.StoredType = held;
        property.Save = [part](const ControlBase& control) { return ReadPart(control, part); };
    }
    // A size is read as the host sees it (a whole size), then held in single precision.
    const PropertyType written = part == FontPart::Size ? shown : held;
    property.Write = [part, held, written, defaultValue, name = property.Name](ControlBase& control,
                                                                               const Variant& value) {
        // A value the font cannot take is not the host's problem: the part goes back to its
        // default and the write ends quietly.
        const bool failed =
            ControlBase::Trap([&] {
                const Variant wanted = Convert(held, Convert(written, value));
                if (wanted == ReadPart(control, part) || !control.Host().CanPropertyChange(name))
                    return;
                ApplyPart(control, part, wanted);
                control.Host().PropertyChanged(name);
            }).has_value();
        if (failed)
            ApplyPart(control, part, Convert(held, defaultValue));
    };
    return Add(std::move(property));
}

PropertyTable& PropertyTable::Add(PropertyDefinition property) {
    if (property.PersistenceName.isEmpty())
        property.PersistenceName = property.Name;
    definitions_.push_back(std::move(property));
    return *this;
}

PropertyDefinition& PropertyTable::Row(PropertyKey key) {
    return const_cast<PropertyDefinition&>(At(key.Text()));
}

QMetaType PropertyTable::ShownType(PropertyType type) {
    switch (type) {
    case PropertyType::String:
        return QMetaType::fromType<QString>();
    case PropertyType::Boolean:
        return QMetaType::fromType<bool>();
    case PropertyType::Byte:
    case PropertyType::Integer:
    case PropertyType::Long:
        return QMetaType::fromType<int>();
    case PropertyType::Single:
    case PropertyType::Double:
        return QMetaType::fromType<double>();
    case PropertyType::Color:
        break;
    }
    return QMetaType::fromType<uint32_t>();
}

PropertyTable& PropertyTable::SetReadOrder(std::initializer_list<PropertyKey> keys) {
    for (const PropertyKey& key : keys)
        readOrder_.append(key.Text());
    return *this;
}

PropertyTable& PropertyTable::SetWriteOrder(std::initializer_list<PropertyKey> keys) {
    for (const PropertyKey& key : keys)
        writeOrder_.append(key.Text());
    return *this;
}

const PropertyDefinition* PropertyTable::Find(const QString& name) const {
    for (const PropertyDefinition& property : definitions_)
        if (property.Name == name)
            return &property;
    return nullptr;
}

const PropertyDefinition& PropertyTable::At(const QString& name) const {
    const PropertyDefinition* property = Find(name);
    if (property == nullptr)
        Raise(ErrorNumber::ObjectDoesNotSupportMember);
    return *property;
}

std::vector<const PropertyDefinition*> PropertyTable::ReadSequence() const {
    return Sequence(*this, readOrder_);
}

std::vector<const PropertyDefinition*> PropertyTable::WriteSequence() const {
    return Sequence(*this, writeOrder_);
}

Variant PropertyTable::Convert(PropertyType type, const Variant& value) {
    switch (type) {
    case PropertyType::String:
        return Variant(value.ToText());
    case PropertyType::Boolean:
        return Variant(value.ToBoolean());
    case PropertyType::Byte: {
        const int16_t number = value.ToInteger();
        if (number < 0 || number > 255)
            Raise(ErrorNumber::Overflow);
        return Variant(static_cast<uint8_t>(number));
    }
    case PropertyType::Integer:
        return Variant(value.ToInteger());
    case PropertyType::Long:
        return Variant(value.ToLong());
    case PropertyType::Single:
        return Variant(value.ToSingle());
    case PropertyType::Double:
        return Variant(value.ToDouble());
    case PropertyType::Color:
        return Variant(static_cast<int32_t>(ToColor(value)));
    }
    Raise(ErrorNumber::TypeMismatch);
}

} // namespace k7
