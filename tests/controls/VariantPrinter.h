#pragma once

#include "core/Variant.h"

#include <ostream>

namespace k7 {

// Readable Variant values in assertion messages.
inline void PrintTo(const Variant& value, std::ostream* out) {
    *out << "Variant(type " << static_cast<int>(value.Type());
    if (!value.IsObject() && !value.IsNull())
        *out << ", \"" << value.ToText().toStdString() << "\"";
    *out << ")";
}

} // namespace k7
