// The demo's placements against the catalog they place: a placement that names a control or a
// property the library does not have would leave a gap on the demo screen and in the Designer
// previews, found by no one until somebody looks.
#include "controls/ControlCatalog.h"
#include "demo/DemoControl.h"
#include "demo/DemoPlacement.h"
#include "frame/control/ControlBase.h"
#include "frame/properties/PropertyTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using k7::demo::DemoPlacement;

namespace {

TEST(DemoPlacements, PlaceEveryControlOfTheCatalogOnceAndSetOnlyPropertiesItHas) {
    std::set<QString> placed;
    for (const DemoPlacement& placement : DemoPlacement::All()) {
        SCOPED_TRACE(placement.Control.toStdString());
        EXPECT_TRUE(placed.insert(placement.Control).second) << "placed twice";
        const std::unique_ptr<k7::ControlBase> control = k7::ControlCatalog::Create(placement.Control);
        ASSERT_NE(control, nullptr) << "not in the catalog";
        for (const auto& [name, value] :
             k7::demo::DemoProperties(placement.Control, "http://plant/", "P200")) {
            EXPECT_NE(control->Properties().Find(name), nullptr) << name.toStdString();
            EXPECT_FALSE(value.contains(QLatin1Char('{')))
                << name.toStdString() << " keeps a placeholder: " << value.toStdString();
        }
    }
    EXPECT_EQ(placed.size(), k7::ControlCatalog::All().size());
}

// The placeholders and the window: what each host relies on when it fills a placement in.
TEST(DemoPlacements, FillThePlantAndProcessAndAskTheHostForTheWindowOnlyWhenThereIsOne) {
    struct Case {
        const char* Control;
        QString Window; // the rule the host is asked for, "" when never asked
        std::vector<std::pair<QString, QString>> Expected; // a selection of what comes out
    } const cases[] = {
        {"ProdCode", "", {{"APIHost", "http://plant/"}, {"Process", "P200"}}},
        {"PathControl",
         "12h",
         {{"URL", "http://plant/drawing/path"}, {"Process", "P200"}, {"StartDate", "12h"}}},
        {"ProductionPeriodTable", "shift", {{"APIHost", "http://plant/"}, {"EndDate", "shift"}}},
        {"NoSuchControl", "", {{"APIHost", "http://plant/"}, {"Process", "P200"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Control);
        QStringList asked;
        const auto dates = [&asked](const QString& rule) {
            asked << rule;
            return DemoPlacement::Properties{{"StartDate", rule}, {"EndDate", rule}};
        };
        const auto filled = DemoPlacement::Of(c.Control).PropertiesFor("http://plant/", "P200", dates);
        EXPECT_EQ(asked, c.Window.isEmpty() ? QStringList() : QStringList{c.Window});
        for (const auto& expected : c.Expected)
            EXPECT_NE(std::find(filled.begin(), filled.end(), expected), filled.end())
                << expected.first.toStdString() << "=" << expected.second.toStdString();
    }
}

} // namespace
