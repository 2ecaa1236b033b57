#pragma once

#include "frame/children/TextChild.h"
#include "orvelk7controls_export.h"

#include <QPushButton>

namespace k7 {

// A command button child of a control (btnAllScrap, btnScrap(k), btnJust(k)): what every text
// child has (TextChild) and a Click carrying the element index. It is a real push button (Tab
// focus, accessibility name = caption, an "&" in the caption is text, not a mnemonic) painted flat
// in its own colours, so a yellow face is the yellow the design asked for under every style.
// Space, Enter and Return press it: a terminal operator tabs to a button and confirms with the
// key at hand, where a plain push button outside a dialog would ignore Enter. A tap presses it too
// (Qt makes a click of a touch the button does not handle itself).
//
// Defaults: empty caption and tag, Tahoma 8.25 pt, button-text on button-face, 0/0/0/0, visible.
class K7_EXPORT CommandButton : public TextChild<QPushButton> {
    Q_OBJECT
public:
    // How a button looks before the control code touches it: one value per button of a design.
    using Design = TextDesign;

    CommandButton(ControlBase& owner, const QString& name, int index = -1);

    QString Kind() const override { return QStringLiteral("CommandButton"); }
    void Describe(Description& out) const override;
    CommandButton& ApplyDesign(const Design& design);

    // A new element `index` of this button's array, a copy of this one, hidden.
    CommandButton& LoadCopy(int index) const;

signals:
    // The button was pressed (mouse or keyboard); `index` is its element index (-1 outside arrays).
    void Clicked(int index);

protected:
    void ShowCaption() override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace k7
