#include "controls/ControlCatalog.h"

#include "controls/faijustifier/FaiJustifier.h"
#include "controls/oeetracker/OEETracker.h"
#include "controls/prodcode/ProdCode.h"
#include "controls/productionperiodtable/ProductionPeriodTable.h"
#include "controls/scrapscreen/ScrapScreen.h"
#include "controls/timetracker/TimeTracker.h"
#include "core/Clock_p.h"
#include "core/Common_p.h"
#include "controls/pathcontrol/PathControl.h"

namespace k7 {

namespace {

template <class T> std::unique_ptr<ControlBase> Make(QWidget* parent) {
    return std::make_unique<T>(parent);
}

// The connection properties of a demo placement followed by the control's own.
std::vector<std::pair<QString, QString>> ConnectionAnd(std::vector<std::pair<QString, QString>> own) {
    auto properties = DemoPlacement::ConnectionProperties();
    properties.insert(properties.end(), own.begin(), own.end());
    return properties;
}

} // namespace

std::vector<std::pair<QString, QString>> ShiftContaining(Date now) {
    const Dates::Parts parts = Dates::Split(now);
    // The night shift that began yesterday at 22:00 starts two hours before today's midnight.
    const int startHour = parts.Hour >= 22 ? 22 : parts.Hour >= 14 ? 14 : parts.Hour >= 6 ? 6 : -2;
    const Date start = Dates::AddHours(Dates::DateSerial(parts.Year, parts.Month, parts.Day), startHour);
    return {{QStringLiteral("StartDate"), Common::FormatYYYYMMDDhhmmss(start)},
            {QStringLiteral("EndDate"), Common::FormatYYYYMMDDhhmmss(Dates::AddHours(start, 8))}};
}

const std::vector<ControlRegistration>& ControlCatalog::All() {
    static const std::vector<ControlRegistration> registry = {
        {QStringLiteral("ProdCode"),
         QStringLiteral("The product a process is making now"),
         &Make<ProdCode>,
         {DemoPlacement::Scope::EveryProcessRow}},
        // The month up to the moment the demo opens.
        {QStringLiteral("OEETracker"),
         QStringLiteral("The OEE of each day of a month against its targets"),
         &Make<OEETracker>,
         {DemoPlacement::Scope::Screen, 0, 0,
          ConnectionAnd({{QStringLiteral("BarNum"), QStringLiteral("30")},
                         {QStringLiteral("StartDate"), Common::FormatYYYYMMDDhhmmss(Clock::Now())}})}},
        {QStringLiteral("TimeTracker"),
         QStringLiteral("The running cycle clock and one bar per cycle"),
         &Make<TimeTracker>,
         {DemoPlacement::Scope::Screen, 0, 0,
          ConnectionAnd({{QStringLiteral("Bars"), QStringLiteral("20")}})}},
        // Once, for P100 (an FAI waits there when the plant opens), at two thirds of the design size.
        {QStringLiteral("ScrapScreen"),
         QStringLiteral("The top scrap causes as buttons; books a scrapped quantity"),
         &Make<ScrapScreen>,
         {DemoPlacement::Scope::Screen, 3940, 1720}},
        {QStringLiteral("FaiJustifier"),
         QStringLiteral("A pending first-article inspection and its downtimes"),
         &Make<FaiJustifier>,
         {DemoPlacement::Scope::Screen, 3690, 1710}},
        // The shift running when the demo opens, at its design size, with the caption lists a
        // terminal sets at run time (they also name the menu items) and the good quantity shown.
        {QStringLiteral("ProductionPeriodTable"),
         QStringLiteral("Figures of up to twelve periods of a window, as a table"),
         &Make<ProductionPeriodTable>,
         {DemoPlacement::Scope::Screen, 0, 0,
          [] {
              auto own = ShiftContaining(Clock::Now());
              own.insert(own.end(), {{"LabelOEE", "Real,Planned"},
                                     {"LabelTarget", "OEE,EP,Act."},
                                     {"LabelGreenTarget", "GT OEE,GT EP,GT S,GT A,YT OEE,YT EP,YT S,YT A"},
                                     {"LabelProduced", "Produced"},
                                     {"LabelBad", "Bad,Scrap,Rework"},
                                     {"LabelGood", "Good,Diff"},
                                     {"LabelTotal", "Total,Accum"},
                                     {"Bad", "1"},
                                     {"Good", "1"}});
              return ConnectionAnd(own);
          }()}},
        // Once, for P100, against the plant's drawing service: the twelve hours up to the moment the demo
        // opens.
        {QStringLiteral("PathControl"),
         QStringLiteral("A picture of a production path from a drawing script"),
         &Make<PathControl>,
         {DemoPlacement::Scope::Screen,
          9600,
          3600,
          {{QStringLiteral("URL"), QStringLiteral("{plant}drawing/path")},
           {QStringLiteral("Company"), QStringLiteral("ORV")},
           {QStringLiteral("Area"), QStringLiteral("Assembly")},
           {QStringLiteral("Process"), QStringLiteral("{process}")},
           {QStringLiteral("StartDate"), Common::FormatYYYYMMDDhhmmss(Dates::AddHours(Clock::Now(), -12))},
           {QStringLiteral("EndDate"), Common::FormatYYYYMMDDhhmmss(Clock::Now())}}}},
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
