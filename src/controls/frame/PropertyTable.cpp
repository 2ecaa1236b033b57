#include "controls/frame/PropertyTable.h"

#include "core/RuntimeError.h"

namespace k7 {

PropertyTable& PropertyTable::Add(PropertyDefinition property) {
    if (property.PersistenceName.isEmpty())
        property.PersistenceName = property.Name;
    definitions_.push_back(std::move(property));
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
    }
    Raise(ErrorNumber::TypeMismatch);
}

} // namespace k7
