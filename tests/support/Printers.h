#pragma once

#include "core/Variant.h"

#include <QString>

#include <ostream>

// Readable texts in assertion messages and parameterised test names, CR and LF made visible.
inline void PrintTo(const QString& text, std::ostream* out) {
    const QString shown = QString(text).replace(QChar(13), QStringLiteral("\\r"));
    *out << '"' << QString(shown).replace(QChar(10), QStringLiteral("\\n")).toStdString() << '"';
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
