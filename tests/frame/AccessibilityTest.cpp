// What a screen reader finds in a control: labels and buttons by caption or element name, painted
// children as graphics where they are painted while they are painted, nothing for timers and menus,
// and no interface that outlives its child (run under ASan).

#include "support/Printers.h"
#include "support/TestControl.h"

#include "controls/pathcontrol/RasterSurface_p.h"
#include "frame/children/CommandButton.h"
#include "frame/children/FilledRect_p.h"
#include "frame/children/Label.h"
#include "frame/children/Line_p.h"
#include "frame/children/PopupMenu.h"
#include "frame/children/Timer_p.h"

#include <QAccessible>

#include <gtest/gtest.h>

namespace {

using Listed = std::vector<std::tuple<QAccessible::Role, QString, QRect>>;

Listed ChildrenOf(QAccessibleInterface& face) {
    Listed listed;
    for (int i = 0; i < face.childCount(); ++i) {
        QAccessibleInterface* child = face.child(i);
        EXPECT_EQ(face.indexOfChild(child), i);
        EXPECT_EQ(child->parent(), &face);
        listed.emplace_back(child->role(), child->text(QAccessible::Name), child->rect());
    }
    return listed;
}

TEST(ControlAccessibility, ListsEveryChildAReaderCanSeeByNameWhereItIsAndForgetsItWithTheChild) {
    auto control = std::make_unique<TestControl>();
    k7::Label& code = control->Create<k7::Label>("lblCode").ApplyDesign({.Bounds = {150, 150, 900, 300}});
    k7::CommandButton& cause = control->Create<k7::CommandButton>("btnCause", 3);
    cause.ApplyDesign({.Bounds = {1500, 150, 900, 300}});
    cause.SetCaption("Broken & bent");
    k7::FilledRect& bar =
        control->Create<k7::FilledRect>("barOee", 0).ApplyDesign({.Bounds = {150, 600, 600, 300}});
    control->Create<k7::FilledRect>("bgTop").ApplyDesign({.Bounds = {0, 600, 3000, 300}}).SetVisible(false);
    control->Create<k7::Line>("lineV").ApplyDesign({.X1 = 900, .Y1 = 900, .X2 = 900, .Y2 = 1200, .Width = 3});
    control->Create<k7::Timer>("tmrPath");
    control->Create<k7::PopupMenu>("mnu", 1, "mnuMax");
    control->Create<k7::RasterSurface>("picPath");
    control->show();
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control.get());
    ASSERT_NE(face, nullptr);
    const auto screen = [&](int x, int y, int w, int h) {
        return QRect(control->mapToGlobal(QPoint(x, y)), QSize(w, h));
    };
    EXPECT_EQ(ChildrenOf(*face), (Listed{{QAccessible::StaticText, "lblCode", screen(10, 10, 60, 20)},
                                         {QAccessible::Button, "Broken & bent", screen(100, 10, 60, 20)},
                                         {QAccessible::Graphic, "barOee(0)", screen(10, 40, 40, 20)},
                                         {QAccessible::Graphic, "lineV", screen(59, 59, 3, 23)},
                                         {QAccessible::Graphic, "picPath", screen(0, 0, 200, 100)}}));
    EXPECT_EQ(face->text(QAccessible::Name), "TestControl") << "no host named it: the class";
    control->setObjectName("ProdCode 1");
    EXPECT_EQ(face->text(QAccessible::Name), "ProdCode 1");
    code.SetCaption("T-4711");
    EXPECT_EQ(face->child(0)->text(QAccessible::Name), "T-4711");
    code.SetCaption("");
    EXPECT_EQ(face->child(0)->text(QAccessible::Name), "lblCode");
    const QPoint inBar = control->mapToGlobal(QPoint(20, 50));
    EXPECT_EQ(face->childAt(inBar.x(), inBar.y()), face->child(4)) << "the picture is painted over the bar";

    const QAccessible::Id barId = QAccessible::uniqueId(face->child(2));
    EXPECT_EQ(QAccessible::uniqueId(face->child(2)), barId) << "one interface per child";
    bar.SetVisible(false);
    EXPECT_EQ(face->childCount(), 4);
    control->DestroyChild(bar);
    EXPECT_EQ(QAccessible::accessibleInterface(barId), nullptr);
    const QAccessible::Id pictureId = QAccessible::uniqueId(face->child(3));
    control.reset();
    EXPECT_EQ(QAccessible::accessibleInterface(pictureId), nullptr);
}

} // namespace
