#include "controls/ControlCatalog.h"

#include "controls/faijustifier/FaiJustifier.h"
#include "controls/oeetracker/OEETracker.h"
#include "controls/pathcontrol/PathControl.h"
#include "controls/prodcode/ProdCode.h"
#include "controls/productionperiodtable/ProductionPeriodTable.h"
#include "controls/scrapscreen/ScrapScreen.h"
#include "controls/timetracker/TimeTracker.h"

namespace k7 {

namespace {

template <class T> std::unique_ptr<ControlBase> Make(QWidget* parent) {
    return std::make_unique<T>(parent);
}

} // namespace

const std::vector<ControlRegistration>& ControlCatalog::All() {
    static const std::vector<ControlRegistration> registry = {
        {QStringLiteral("ProdCode"), QStringLiteral("The product a process is making now"), &Make<ProdCode>},
        {QStringLiteral("OEETracker"), QStringLiteral("The OEE of each day of a month against its targets"),
         &Make<OEETracker>},
        {QStringLiteral("TimeTracker"), QStringLiteral("The running cycle clock and one bar per cycle"),
         &Make<TimeTracker>},
        {QStringLiteral("ScrapScreen"),
         QStringLiteral("The top scrap causes as buttons; books a scrapped quantity"), &Make<ScrapScreen>},
        {QStringLiteral("FaiJustifier"),
         QStringLiteral("A pending first-article inspection and its downtimes"), &Make<FaiJustifier>},
        {QStringLiteral("ProductionPeriodTable"),
         QStringLiteral("Figures of up to twelve periods of a window, as a table"),
         &Make<ProductionPeriodTable>},
        {QStringLiteral("PathControl"),
         QStringLiteral("A picture of a production path from a drawing script"), &Make<PathControl>},
    };
    return registry;
}

QStringList ControlCatalog::Names() {
    QStringList names;
    for (const ControlRegistration& registration : All())
        names << registration.Name;
    return names;
}

const ControlRegistration* ControlCatalog::Find(const QString& name) {
    for (const ControlRegistration& registration : All())
        if (registration.Name == name)
            return &registration;
    return nullptr;
}

std::unique_ptr<ControlBase> ControlCatalog::Create(const QString& name, QWidget* parent) {
    const ControlRegistration* registration = Find(name);
    return registration != nullptr ? registration->Create(parent) : nullptr;
}

} // namespace k7
