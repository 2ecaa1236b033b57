#include "PropertyBinding.h"

#include "core/RuntimeError.h"
#include "frame/control/ControlBase.h"
#include "frame/properties/PropertyTable.h"

#include <stdexcept>

namespace k7::cli {

void PropertyBinding::WriteText(ControlBase& control, const QString& name, const QString& text) {
    const PropertyDefinition* property = control.Properties().Find(name);
    if (property == nullptr) {
        if (name == QLatin1String("Error"))
            Raise(ErrorNumber::PropertyIsReadOnly);
        throw std::runtime_error(QStringLiteral("%1 has no property '%2'")
                                     .arg(control.Identity().ControlName, name)
                                     .toStdString());
    }
    if (property->Type == PropertyType::Color && text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        bool ok = false;
        const uint value = text.mid(2).toUInt(&ok, 16);
        if (!ok)
            Raise(ErrorNumber::TypeMismatch);
        control.Assign(name, Variant(static_cast<int32_t>(value)));
        return;
    }
    control.Assign(name, Variant(text));
}

} // namespace k7::cli
