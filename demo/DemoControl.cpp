#include "DemoControl.h"

#include "FormDefaults.h"

#include "core/Clock_p.h"
#include "frame/control/ControlBase.h"

namespace k7::demo {

DemoPlacement::Properties DemoProperties(const QString& name, const QString& plant, const QString& process) {
    const Date now = Clock::Now();
    const auto windowDates = [now](const QString& rule) { return cli::FormDefaults::WindowDates(rule, now); };
    return DemoPlacement::Of(name).PropertiesFor(plant, process, windowDates);
}

void ConfigureAsDemo(ControlBase& control, const QString& name, const QString& plant,
                     const QString& process) {
    for (const auto& [property, value] : DemoProperties(name, plant, process))
        control.Assign(property, Variant(value));
    const DemoPlacement& placement = DemoPlacement::Of(name);
    if (placement.Width > 0)
        control.SetExtent(placement.Width, placement.Height);
}

} // namespace k7::demo
