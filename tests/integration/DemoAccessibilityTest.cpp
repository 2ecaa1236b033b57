// `k7 demo --accessibility`: the demo terminal, opened against its plant, as a screen reader and a
// keyboard-only operator find it.

#include "support/K7Process.h"
#include "support/Printers.h"

#include "controls/ControlCatalog.h"
#include "json/JsonBag.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

using k7::JsonBag;

namespace {

using Entry = std::pair<QString, QString>; // parent's name, own name

struct Walk {
    QStringList Controls;                 // the window's groupings, in tree order
    QStringList Unnamed;                  // where a node without a name was found
    std::multiset<Entry> ShownPressables; // buttons and menu labels, shown and focusable

    void Visit(const std::shared_ptr<JsonBag>& node, const QString& parent, int depth) {
        const QString role = node->Item("role").ToText();
        const QString name = node->Item("name").ToText();
        if (name.isEmpty())
            Unnamed << parent + "/" + role;
        auto children = node->Item("children").As<JsonBag>();
        if (depth == 1 && role == "Grouping") {
            Controls << name;
            EXPECT_GT(children->Count(), 0) << name.toStdString();
        }
        if ((role == "Button" || role == "ButtonMenu") && node->Item("visible").ToBoolean() &&
            node->Item("focusable").ToBoolean())
            ShownPressables.insert({parent, name});
        for (int32_t i = 1; i <= children->Count(); ++i)
            Visit(children->Item(i).As<JsonBag>(), name, depth + 1);
    }
};

TEST(DemoAccessibility, EveryControlAndChildIsNamedAndTabVisitsEveryShownPressableControlByControl) {
    const auto report = RunK7Json({"demo", "--accessibility"});

    Walk walk;
    walk.Visit(report->Item("tree").As<JsonBag>(), QString(), 0);
    EXPECT_EQ(walk.Unnamed, QStringList());
    for (const QString& kind : k7::ControlCatalog::Names())
        EXPECT_TRUE(std::any_of(walk.Controls.begin(), walk.Controls.end(), [&](const QString& control) {
            return control.startsWith(kind + " ");
        })) << kind.toStdString();

    auto tabOrder = report->Item("tabOrder").As<JsonBag>();
    std::vector<Entry> visited;
    for (int32_t i = 1; i <= tabOrder->Count(); ++i)
        visited.emplace_back(tabOrder->Item(i).Item("parent").ToText(),
                             tabOrder->Item(i).Item("name").ToText());
    ASSERT_FALSE(visited.empty());
    EXPECT_EQ(std::multiset<Entry>(visited.begin(), visited.end()), walk.ShownPressables);
    // Control by control, in the order the screen holds them: each control's buttons come in one
    // run, and the runs follow the tree.
    QStringList runs;
    for (const Entry& entry : visited)
        if (runs.isEmpty() || runs.last() != entry.first)
            runs << entry.first;
    QStringList inTree = walk.Controls;
    inTree.removeIf([&](const QString& control) { return !runs.contains(control); });
    EXPECT_EQ(runs, inTree);
}

} // namespace
