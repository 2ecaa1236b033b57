#include "DemoControl.h"

#include "DemoPlacement.h"
#include "FormDefaults.h"

#include "core/Clock.h"
#include "frame/ControlBase.h"

namespace k7::demo {

void ConfigureAsDemo(ControlBase& control, const QString& name, const QString& plant,
                     const QString& process) {
    const DemoPlacement& placement = DemoPlacement::Of(name);
    const Date now = Clock::Now();
    const auto windowDates = [now](const QString& rule) { return cli::FormDefaults::WindowDates(rule, now); };
    for (const auto& [property, value] : placement.PropertiesFor(plant, process, windowDates))
        control.Assign(property, Variant(value));
    if (placement.Width > 0)
        control.SetExtent(placement.Width, placement.Height);
}

} // namespace k7::demo
