#include "frame/control/TabOrder_p.h"

#include "frame/children/ControlChild.h"
#include "frame/control/ControlBase.h"

#include <QWidget>

namespace k7 {

namespace {

// The last focusable widget before `control` in its window's chain, outside the control.
QWidget* FocusableBefore(QWidget& control) {
    const QWidget* window = control.window();
    for (QWidget* candidate = control.previousInFocusChain(); candidate != nullptr && candidate != &control;
         candidate = candidate->previousInFocusChain()) {
        if (candidate == window)
            return nullptr;
        if (!control.isAncestorOf(candidate) && TabOrder::TakesTabFocus(*candidate))
            return candidate;
    }
    return nullptr;
}

} // namespace

void TabOrder::Place(QWidget& widget, QWidget* previous, QWidget& control) {
    if (!TakesTabFocus(widget))
        return;
    QWidget* after = previous != nullptr ? previous : FocusableBefore(control);
    if (after != nullptr)
        QWidget::setTabOrder(after, &widget);
}

bool TabOrder::TakesTabFocus(const QWidget& widget) {
    return (widget.focusPolicy() & Qt::TabFocus) != 0;
}

void TabOrder::PlaceChild(ControlChild& child, ControlBase& control) {
    QWidget* widget = child.Widget();
    if (widget == nullptr)
        return;
    QWidget* previous = nullptr;
    for (const auto& earlier : control.Children()) {
        QWidget* candidate = earlier->Widget();
        if (candidate == widget)
            break;
        if (candidate != nullptr && TakesTabFocus(*candidate))
            previous = candidate;
    }
    Place(*widget, previous, control);
}

} // namespace k7
