#pragma once

#include "DemoPlacement.h"

#include <QString>

namespace k7 {
class ControlBase;
}

namespace k7::demo {

// The properties `k7 demo` sets on the catalog's `name` against the simulated plant at `plant`
// for `process`, its dates as of the clock's now.
DemoPlacement::Properties DemoProperties(const QString& name, const QString& plant, const QString& process);

// Configures `control` (the catalog's `name`) as `k7 demo` does on its screen-wide row (P100, or
// `process`) against the simulated plant at `plant`: the demo's properties, its dates as of the
// clock's now, its extent.
void ConfigureAsDemo(ControlBase& control, const QString& name, const QString& plant,
                     const QString& process = QStringLiteral("P100"));

} // namespace k7::demo
