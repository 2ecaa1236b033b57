#include "controls/frame/PropertyTable.h"

#include "core/RuntimeError.h"

namespace k7 {

PropertyTable& PropertyTable::Add(PropertySpec spec) {
    if (spec.PersistenceName.isEmpty())
        spec.PersistenceName = spec.Name;
    specs_.push_back(std::move(spec));
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

const PropertySpec* PropertyTable::Find(const QString& name) const {
    for (const PropertySpec& spec : specs_)
        if (spec.Name == name)
            return &spec;
    return nullptr;
}

const PropertySpec& PropertyTable::At(const QString& name) const {
    const PropertySpec* spec = Find(name);
    if (spec == nullptr)
        Raise(ErrorNumber::ObjectDoesNotSupportMember);
    return *spec;
}

std::vector<const PropertySpec*> PropertyTable::ReadSequence() const {
    return Sequence(readOrder_);
}

std::vector<const PropertySpec*> PropertyTable::WriteSequence() const {
    return Sequence(writeOrder_);
}

std::vector<const PropertySpec*> PropertyTable::Sequence(const QStringList& order) const {
    std::vector<const PropertySpec*> sequence;
    if (order.isEmpty()) {
        for (const PropertySpec& spec : specs_)
            if (spec.Persisted)
                sequence.push_back(&spec);
        return sequence;
    }
    for (const QString& name : order) {
        const PropertySpec& spec = At(name);
        if (spec.Persisted)
            sequence.push_back(&spec);
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
