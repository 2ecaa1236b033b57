#pragma once

#include "core/Variant.h"
#include "orvelk7controls_export.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace k7 {

// The host's property store for one control: named values, kept in the order they were first
// written (so a saved screen lists them as the control wrote them). Names are exact.
class K7_EXPORT PropertyBag {
public:
    // The value stored under `name`, or `defaultValue` when there is none.
    Variant ReadProperty(const QString& name, const Variant& defaultValue = Variant()) const;
    // Stores `value` under `name`, replacing an earlier value in its place.
    void WriteProperty(const QString& name, const Variant& value);

    bool Contains(const QString& name) const;
    void Remove(const QString& name);
    void Clear() { values_.clear(); }
    QStringList Names() const;
    const std::vector<std::pair<QString, Variant>>& Values() const { return values_; }

private:
    std::vector<std::pair<QString, Variant>> values_;
};

} // namespace k7
