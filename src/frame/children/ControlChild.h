#pragma once

#include "orvelk7controls_export.h"

#include <QRect>
#include <QString>

#include <memory>
#include <optional>

class QPainter;
class QPalette;
class QWidget;

namespace k7 {

class ChildState;
class ControlBase;
class Description;

// What every child of a control carries: its owner, name and array index (-1 outside arrays), and
// what lets the frame treat all kinds alike. A child kind says what it is (Kind), writes its state
// for hosts and dumps (Describe), paints on the control's surface when it has no window of its own
// (PaintOnSurface), says where a screen reader finds it (Widget or PaintedArea), and knows how it
// leaves the control early (Dispose). A new kind of child therefore needs no change anywhere in the
// frame or the hosts.
//
// Children are made only through ControlBase::Create<T>, which owns them in creation order.
class K7_EXPORT ControlChild {
public:
    ControlChild(ControlBase& owner, QString name, int index);
    virtual ~ControlChild();
    ControlChild(const ControlChild&) = delete;
    ControlChild& operator=(const ControlChild&) = delete;

    ControlBase& Owner() const;
    const QString& Name() const;
    int Index() const;
    // The name with the array index, as object names and screen readers give it: "lblCode",
    // "btnScrap(3)".
    QString ElementName() const;

    // The kind's name as hosts list it: "Label", "CommandButton", "FilledRect", ...
    virtual QString Kind() const = 0;
    // Everything a host may want to see of the child beyond name, index and kind.
    virtual void Describe(Description& out) const = 0;
    // Paints the child on the control's own surface, below every widget. Children that are widgets
    // of their own paint themselves and leave this empty.
    virtual void PaintOnSurface(QPainter& painter, double twipsPerPixel, const QPalette& palette) const;

    // The child's own widget, for children that are one (labels, buttons); they take focus and
    // speak for themselves to screen readers. Null for everything the control paints or keeps.
    virtual QWidget* Widget() { return nullptr; }
    // Where the child shows on the control's surface, in the control's pixels, while it is
    // painted there (a visible shape, a picture): the control lists it to screen readers as a
    // graphic of that area. Nothing for widgets and for children never seen (timers, menus).
    virtual std::optional<QRect> PaintedArea(double twipsPerPixel) const;

    // What the child shows, taken whole (geometry, caption, colours, font, picture, visibility),
    // for ControlBase::SaveShown; null for children that show nothing (timers, menus).
    virtual std::shared_ptr<const ChildState> SaveState() const;
    // Shows `saved` again, a state this child's kind took; a state of another kind changes nothing.
    virtual void RestoreState(const ChildState& saved);
    // Hides the child as `Visible = False` does (a child that shows nothing ignores it).
    virtual void Conceal() {}

protected:
    // Turns `element`, just created as a further element of `source`'s array, into a copy of
    // `source` (CopyFrom) that starts hidden, as every loaded array element does.
    template <class T> static T& MakeLoadedCopy(T& element, const T& source) {
        element.CopyFrom(source);
        element.SetVisible(false);
        return element;
    }

private:
    friend class ControlBase;
    // Ends the child's life once the control has let go of it (ControlBase::DestroyChild). A plain
    // child is deleted at once; a widget hides and is deleted when control returns to the event
    // loop, so that a handler of that very widget can still finish.
    virtual void Dispose() { delete this; }

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
