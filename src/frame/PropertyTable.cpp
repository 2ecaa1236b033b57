#include "frame/PropertyTable.h"

#include "core/Conversions.h"
#include "core/RuntimeError.h"


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

} // namespace

PropertyTable& PropertyTable::Add(PropertyDefinition property) {
    if (property.PersistenceName.isEmpty())
        property.PersistenceName = property.Name;
    definitions_.push_back(std::move(property));
    return *this;
}

PropertyTable& PropertyTable::WriteOnly() {
    definitions_.back().Access = PropertyAccess::WriteOnly;
    return *this;
}

PropertyTable& PropertyTable::ReadOnly() {
    definitions_.back().Access = PropertyAccess::ReadOnly;
    return *this;
}

PropertyTable& PropertyTable::PersistedAs(const QString& persistenceName) {
    definitions_.back().PersistenceName = persistenceName;
    return *this;
}

PropertyTable& PropertyTable::PersistedValue(PropertyType storedType,
                                             std::function<Variant(const ControlBase&)> save) {
    definitions_.back().Save = std::move(save);
    definitions_.back().StoredType = storedType;
    return *this;
}

PropertyTable& PropertyTable::SetReadOrder(const QStringList& names) {
    readOrder_ = names;
    return *this;
}

PropertyTable& PropertyTable::SetWriteOrder(const QStringList& names) {
    writeOrder_ = names;
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
    return Sequence(readOrder_);
}

std::vector<const PropertyDefinition*> PropertyTable::WriteSequence() const {
    return Sequence(writeOrder_);
}

std::vector<const PropertyDefinition*> PropertyTable::Sequence(const QStringList& order) const {
    std::vector<const PropertyDefinition*> sequence;
    if (order.isEmpty()) {
        for (const PropertyDefinition& property : definitions_)
            if (property.Persisted)
                sequence.push_back(&property);
        return sequence;
    }
    for (const QString& name : order) {
        const PropertyDefinition& property = At(name);
        if (property.Persisted)
            sequence.push_back(&property);
    }
    return sequence;
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
