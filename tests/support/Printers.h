#pragma once

#include "core/Variant.h"

#include <QString>

#include <ostream>

// Readable texts in assertion messages and parameterised test names.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace k7 {

// Readable Variant values in assertion messages.
inline void PrintTo(const Variant& value, std::ostream* out) {
    *out << "Variant(type " << static_cast<int>(value.Type());
    if (!value.IsObject() && !value.IsNull())
        *out << ", \"" << value.ToText().toStdString() << "\"";
    *out << ")";
}

} // namespace k7
