#pragma once

#include "core/Variant.h"

#include <QMetaProperty>
#include <QString>
#include <QVariant>

#include <vector>

class QObject;

namespace k7::cli {

// Binds a control's public properties by name through the meta-object system, for any of the
// seven controls: text from a command line or a file becomes the property's type with the
// runtime's conversion rules ("True", "&HFF", "8.25"), and property values become Variants for
// dumps.
class PropertyBinding {
public:
    // Writes `text` to the property `name`. Throws std::runtime_error naming the problem when the
    // property does not exist or is read-only; conversion and control errors come as RuntimeError.
    static void WriteText(QObject& object, const QString& name, const QString& text);

    // The public properties of a control (those its own classes declare, not QWidget's), in
    // declaration order from the frame down.
    static std::vector<QMetaProperty> PublicProperties(const QObject& object);

    // A property value as a Variant (strings, Booleans and numbers keep their type).
    static Variant ToVariant(const QVariant& value);

private:
    static QVariant ConvertText(const QMetaProperty& property, const QString& text);
};

} // namespace k7::cli
