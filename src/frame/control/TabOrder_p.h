#pragma once

class QWidget;

namespace k7 {

class ControlBase;
class ControlChild;

// Where a control's focusable child goes in its window's Tab cycle: control by control, and inside
// a control in creation order. Qt appends every new widget to the end of its window's focus chain,
// which is right while the window is being built but wrong for a button loaded later (the second
// cause button of a scrap screen, created at its first refresh after the screens beside it): it
// would be reached only after every other control. Place moves it back among its own.
class TabOrder {
public:
    // Puts `widget`, just created in `control`, right after `previous` (the control's last
    // focusable child created before it), or, when it is the control's first, after the last
    // focusable widget that precedes the control. With no focusable widget before the control it
    // stays at the end of the chain, which is the same place in the cycle: the one that wraps
    // around to the first.
    static void Place(QWidget& widget, QWidget* previous, QWidget& control);
    // Places a child's widget that takes Tab focus after the control's focusable children created
    // before it; nothing for a painted child.
    static void PlaceChild(ControlChild& child, ControlBase& control);

    // Whether Tab stops at the widget (its policy; visibility is Qt's concern at Tab time).
    static bool TakesTabFocus(const QWidget& widget);
};

} // namespace k7
