#pragma once

#include <QString>

#include <functional>
#include <utility>
#include <vector>

namespace k7::demo {

// Where the reference terminal of `k7 demo` puts a control of the catalog (once in every process
// row, or once for the whole screen, below the rows), its extent in twips (0: the design size) and
// the properties the demo sets by public name. In a value "{plant}" stands for the simulated
// plant's base address (ending in "/") and "{process}" for the row's process (P100 on the
// screen-wide row). The dates follow `Window`, a rule of the terminal's own (k7Window: "shift",
// "12h", "now"), which the host turns into StartDate and EndDate at the moment it opens the screen:
// this archive knows no clock.
//
// The demo's data lives here and not in the library: a host of the library decides itself what
// its controls connect to and show.
struct DemoPlacement {
    using Properties = std::vector<std::pair<QString, QString>>;
    enum class Scope { EveryProcessRow, Screen };

    QString Control;
    Scope Where = Scope::EveryProcessRow;
    float Width = 0;
    float Height = 0;
    QString Window;
    Properties Values;

    // The host's StartDate and EndDate for a window rule at the moment it opens the screen.
    using WindowDates = std::function<Properties(const QString& rule)>;

    // Values with "{plant}" and "{process}" filled in, followed by the dates of Window.
    Properties PropertiesFor(const QString& plant, const QString& process,
                             const WindowDates& windowDates) const;

    // Every placement of the demo screen, in the catalog's order.
    static const std::vector<DemoPlacement>& All();
    // The placement of `control`; a control the demo has no entry for reads the plant's REST
    // service in every process row.
    static const DemoPlacement& Of(const QString& control);
};

} // namespace k7::demo
