#include "ControlWidgetCollection.h"

#include "ControlWidgetInterface.h"

#include "controls/ControlCatalog.h"

namespace k7 {

ControlWidgetCollection::ControlWidgetCollection(QObject* parent) : QObject(parent) {
    for (const ControlRegistration& registration : ControlCatalog::All())
        widgets_.append(new ControlWidgetInterface(registration, this));
}

} // namespace k7
