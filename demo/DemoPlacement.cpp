#include "DemoPlacement.h"

#include "DemoConnection.h"

namespace k7::demo {

namespace {

using Properties = DemoPlacement::Properties;

// APIHost, Company, Session and Process of a control that reads the plant's REST service,
// followed by the control's own.
Properties ConnectionAnd(Properties own = {}) {
    Properties properties = {{QStringLiteral("APIHost"), QStringLiteral("{plant}")},
                             {QStringLiteral("Company"), DemoConnection::Company()},
                             {QStringLiteral("Session"), DemoConnection::Session()},
                             {QStringLiteral("Process"), QStringLiteral("{process}")}};
    properties.insert(properties.end(), own.begin(), own.end());
    return properties;
}

} // namespace

Properties DemoPlacement::PropertiesFor(const QString& plant, const QString& process,
                                        const WindowDates& windowDates) const {
    Properties filled = Values;
    for (auto& [name, value] : filled)
        value.replace(QLatin1String("{plant}"), plant).replace(QLatin1String("{process}"), process);
    if (!Window.isEmpty()) {
        const Properties dates = windowDates(Window);
        filled.insert(filled.end(), dates.begin(), dates.end());
    }
    return filled;
}

const std::vector<DemoPlacement>& DemoPlacement::All() {
    using enum Scope;
    static const std::vector<DemoPlacement> placements = {
        {QStringLiteral("ProdCode"), EveryProcessRow, 0, 0, {}, ConnectionAnd()},
        // The month up to the moment the demo opens.
        {QStringLiteral("OEETracker"), Screen, 0, 0, QStringLiteral("now"),
         ConnectionAnd({{QStringLiteral("BarNum"), QStringLiteral("30")}})},
        {QStringLiteral("TimeTracker"),
         Screen,
         0,
         0,
         {},
         ConnectionAnd({{QStringLiteral("Bars"), QStringLiteral("20")}})},
        // Once, for P100 (an FAI waits there when the plant opens), at two thirds of the design size.
        {QStringLiteral("ScrapScreen"), Screen, 3940, 1720, {}, ConnectionAnd()},
        {QStringLiteral("FaiJustifier"), Screen, 3690, 1710, {}, ConnectionAnd()},
        // The shift running when the demo opens, at its design size, with the caption lists a
        // terminal sets at run time (they also name the menu items) and the good quantity shown.
        {QStringLiteral("ProductionPeriodTable"), Screen, 0, 0, QStringLiteral("shift"),
         ConnectionAnd({{QStringLiteral("LabelOEE"), QStringLiteral("Real,Planned")},
                        {QStringLiteral("LabelTarget"), QStringLiteral("OEE,EP,Act.")},
                        {QStringLiteral("LabelGreenTarget"),
                         QStringLiteral("GT OEE,GT EP,GT S,GT A,YT OEE,YT EP,YT S,YT A")},
                        {QStringLiteral("LabelProduced"), QStringLiteral("Produced")},
                        {QStringLiteral("LabelBad"), QStringLiteral("Bad,Scrap,Rework")},
                        {QStringLiteral("LabelGood"), QStringLiteral("Good,Diff")},
                        {QStringLiteral("LabelTotal"), QStringLiteral("Total,Accum")},
                        {QStringLiteral("Bad"), QStringLiteral("1")},
                        {QStringLiteral("Good"), QStringLiteral("1")}})},
        // Once, for P100, against the plant's drawing service: the twelve hours up to the moment
        // the demo opens.
        {QStringLiteral("PathControl"),
         Screen,
         9600,
         3600,
         QStringLiteral("12h"),
         {{QStringLiteral("URL"), QStringLiteral("{plant}drawing/path")},
          {QStringLiteral("Company"), DemoConnection::Company()},
          {QStringLiteral("Area"), QStringLiteral("Assembly")},
          {QStringLiteral("Process"), QStringLiteral("{process}")}}},
    };
    return placements;
}

const DemoPlacement& DemoPlacement::Of(const QString& control) {
    for (const DemoPlacement& placement : All())
        if (placement.Control == control)
            return placement;
    static const DemoPlacement unplaced{{}, Scope::EveryProcessRow, 0, 0, {}, ConnectionAnd()};
    return unplaced;
}

} // namespace k7::demo
