// A terminal operator with a keyboard or a finger only: a key or a tap presses the focused button of
// a screen of every control, and a control's pop-up menu is opened with Enter and worked with the
// arrows, Enter and Escape. Where Tab goes on such a screen: DemoAccessibilityTest.

#include "support/Printers.h"
#include "support/RecordingHost.h"
#include "support/TestControl.h"

#include "controls/ControlCatalog.h"
#include "demo/DemoControl.h"
#include "frame/children/CommandButton.h"
#include "frame/children/PopupMenu.h"
#include "plant/PlantService.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Every control of the catalog on one window against the simulated plant, configured as the demo
// configures it and opened after all of them are placed, so that the buttons loaded by a refresh
// come into being after the controls beside them. Prompts go to a recording host.
class KeyboardScreen : public ::testing::Test {
protected:
    void SetUp() override {
        plant.Start(0);
        int top = 0;
        for (const k7::ControlRegistration& registration : k7::ControlCatalog::All()) {
            k7::ControlBase* control = registration.Create(&window).release(); // the window owns it
            control->SetHost(&host);
            k7::demo::ConfigureAsDemo(*control, registration.Name, plant.BaseUrl());
            control->move(0, top);
            top += control->height();
            controls.push_back(control);
        }
        window.resize(window.childrenRect().bottomRight().x() + 1, top);
        window.show();
        for (k7::ControlBase* control : controls) {
            control->Refresh(false);
            for (const auto& child : control->Children())
                if (auto* button = dynamic_cast<k7::CommandButton*>(child.get()))
                    QObject::connect(button, &k7::CommandButton::Clicked,
                                     [this, button] { clicked << button->objectName(); });
        }
        QApplication::setActiveWindow(&window);
    }

    QWidget* Focus() const { return QApplication::focusWidget(); }

    k7::plant::PlantService plant;
    RecordingHost host;
    QWidget window;
    std::vector<k7::ControlBase*> controls;
    QStringList clicked;
};

struct Press {
    const char* Name;
    std::function<void(QWidget& focus)> Input;
    QStringList Clicked;
    friend void PrintTo(const Press& press, std::ostream* out) { *out << press.Name; }
};

class KeyboardPress : public KeyboardScreen, public ::testing::WithParamInterface<Press> {};

TEST_P(KeyboardPress, ClicksTheFocusedButtonOnce) {
    ASSERT_NE(Focus(), nullptr) << "the active window focuses its first button";
    GetParam().Input(*Focus());
    QCoreApplication::processEvents();
    EXPECT_EQ(clicked, GetParam().Clicked);
}

std::function<void(QWidget&)> Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    return [=](QWidget& focus) { QTest::keyClick(&focus, key, modifiers); };
}

const Press kPresses[] = {
    {"Return", Key(Qt::Key_Return), {"btnAllScrap"}},
    {"KeypadEnter", Key(Qt::Key_Enter, Qt::KeypadModifier), {"btnAllScrap"}},
    {"Space", Key(Qt::Key_Space), {"btnAllScrap"}},
    {"ControlReturnIsNoPress", Key(Qt::Key_Return, Qt::ControlModifier), {}},
    {"Tap",
     [](QWidget& focus) {
         static QPointingDevice* const screen = QTest::createTouchDevice();
         const QPoint centre = focus.rect().center();
         QTest::touchEvent(&focus, screen).press(0, centre);
         QTest::touchEvent(&focus, screen).release(0, centre);
     },
     {"btnAllScrap"}},
};

INSTANTIATE_TEST_SUITE_P(Keyboard, KeyboardPress, ::testing::ValuesIn(kPresses),
                         [](const auto& info) { return std::string(info.param.Name); });

// Enter on a caption of the period table opens the menu a click opens. The key sends the mouse's
// own release, so the choice then takes the mouse's path (ProductionPeriodTableViewTest's menus).
TEST_F(KeyboardScreen, EnterOnATableCaptionOpensItsMenu) {
    auto* caption = window.findChild<QWidget*>("lblCell(0)");
    ASSERT_NE(caption, nullptr);
    caption->setFocus();
    QTest::keyClick(caption, Qt::Key_Return);
    EXPECT_EQ(host.MenuShown.size(), 2u) << "Real / Planned";
}

// The default host's real menu, opened on its checked item, worked by keys typed into the window
// the operator was in while the menu runs its own loop (Up is Qt's mirror of Down).
TEST(KeyboardMenu, ArrowsAndEnterChooseEscapeCancels) {
    const std::pair<std::vector<Qt::Key>, int> rows[] = {
        {{Qt::Key_Return}, 2},
        {{Qt::Key_Down, Qt::Key_Return}, 3},
        {{Qt::Key_Escape}, -1},
    };
    TestControl control;
    k7::PopupMenu& menu = control.Create<k7::PopupMenu>("mnu", 1, "mnuMax");
    menu.SetItem(1, "OEE");
    menu.SetItem(2, "EP");
    menu.SetItem(3, "Act.");
    menu.SetChecked(2, true);
    control.show();
    QApplication::setActiveWindow(&control);
    for (const auto& [keys, chosen] : rows) {
        SCOPED_TRACE(chosen);
        QMetaObject::invokeMethod(
            &control,
            [&, keys = keys] {
                for (Qt::Key key : keys)
                    QTest::keyClick(control.windowHandle(), key);
                // A menu the keys did not close would wait for ever; closing it fails the row.
                if (QWidget* open = QApplication::activePopupWidget())
                    open->close();
            },
            Qt::QueuedConnection);
        EXPECT_EQ(menu.Exec(control.mapToGlobal(QPoint(5, 5))), chosen);
    }
}

} // namespace
