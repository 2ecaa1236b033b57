#include "PropertyBinding.h"

#include "controls/frame/ControlBase.h"
#include "controls/frame/PropertyTable.h"
#include "core/RuntimeError.h"

#include <QObject>
#include <QWidget>

#include <stdexcept>

namespace k7::cli {

void PropertyBinding::WriteText(QObject& object, const QString& name, const QString& text) {
    const QMetaObject* meta = object.metaObject();
    const int index = meta->indexOfProperty(name.toUtf8().constData());
    if (index < QWidget::staticMetaObject.propertyCount())
        throw std::runtime_error(QStringLiteral("%1 has no property '%2'")
                                     .arg(QString::fromLatin1(meta->className()), name)
                                     .toStdString());
    const QMetaProperty property = meta->property(index);
    if (!property.isWritable())
        throw std::runtime_error(QStringLiteral("property '%1' is read-only").arg(name).toStdString());
    if (!property.write(&object, ConvertText(property, text)))
        throw std::runtime_error(
            QStringLiteral("property '%1' did not take '%2'").arg(name, text).toStdString());
}

std::vector<QMetaProperty> PropertyBinding::PublicProperties(const QObject& object) {
    std::vector<QMetaProperty> properties;
    const QMetaObject* meta = object.metaObject();
    for (int i = QWidget::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
        properties.push_back(meta->property(i));
    return properties;
}

Variant PropertyBinding::ToVariant(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return Variant(value.toBool());
    case QMetaType::UChar:
        return Variant(static_cast<uint8_t>(value.toUInt()));
    case QMetaType::Short:
        return Variant(static_cast<int16_t>(value.toInt()));
    case QMetaType::Int:
        return Variant(static_cast<int32_t>(value.toInt()));
    case QMetaType::UInt:
        return Variant(static_cast<double>(value.toUInt()));
    case QMetaType::Float:
        return Variant(value.toFloat());
    case QMetaType::Double:
        return Variant(value.toDouble());
    default:
        return Variant(value.toString());
    }
}

QVariant PropertyBinding::ConvertText(const QMetaProperty& property, const QString& text) {
    const Variant source(text);
    switch (property.metaType().id()) {
    case QMetaType::QString:
        return text;
    case QMetaType::Bool:
        return source.ToBoolean();
    case QMetaType::UChar:
        return QVariant::fromValue(*PropertyTable::Convert(PropertyType::Byte, source).Get<uint8_t>());
    case QMetaType::Short:
        return QVariant::fromValue(source.ToInteger());
    case QMetaType::Int:
        return QVariant::fromValue(source.ToLong());
    case QMetaType::UInt: {
        // Colour values: "0x00BBGGRR" as dumps write them, or any number the runtime reads.
        if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
            bool ok = false;
            const uint value = text.mid(2).toUInt(&ok, 16);
            if (!ok)
                Raise(ErrorNumber::TypeMismatch);
            return QVariant::fromValue(value);
        }
        return QVariant::fromValue(static_cast<uint>(source.ToLong()));
    }
    case QMetaType::Float:
        return QVariant::fromValue(source.ToSingle());
    case QMetaType::Double:
        return QVariant::fromValue(source.ToDouble());
    default: {
        QVariant converted(text);
        if (!converted.convert(property.metaType()))
            Raise(ErrorNumber::TypeMismatch);
        return converted;
    }
    }
}

} // namespace k7::cli
