#include "frame/properties/PropertyBag.h"

#include <algorithm>

namespace k7 {

Variant PropertyBag::ReadProperty(const QString& name, const Variant& defaultValue) const {
    for (const auto& [key, value] : values_)
        if (key == name)
            return value;
    return defaultValue;
}

void PropertyBag::WriteProperty(const QString& name, const Variant& value) {
    for (auto& [key, stored] : values_)
        if (key == name) {
            stored = value;
            return;
        }
    values_.emplace_back(name, value);
}

bool PropertyBag::Contains(const QString& name) const {
    return std::any_of(values_.begin(), values_.end(),
                       [&](const auto& entry) { return entry.first == name; });
}

void PropertyBag::Remove(const QString& name) {
    values_.erase(std::remove_if(values_.begin(), values_.end(),
                                 [&](const auto& entry) { return entry.first == name; }),
                  values_.end());
}

QStringList PropertyBag::Names() const {
    QStringList names;
    for (const auto& entry : values_)
        names << entry.first;
    return names;
}

} // namespace k7
