#pragma once

#include <QString>

class QPainter;
class QPalette;

namespace k7 {

class ControlBase;
class Description;

// What every child of a control carries: its owner, name and array index (-1 outside arrays), and
// what lets the frame treat all kinds alike. A child kind says what it is (Kind), writes its state
// for hosts and dumps (Describe), paints on the control's surface when it has no window of its own
// (PaintOnSurface), and knows how it leaves the control early (Dispose). A new kind of child
// therefore needs no change anywhere in the frame or the hosts.
//
// Children are made only through ControlBase::Create<T>, which owns them in creation order.
class ControlChild {
public:
    ControlChild(ControlBase& owner, QString name, int index);
    virtual ~ControlChild() = default;
    ControlChild(const ControlChild&) = delete;
    ControlChild& operator=(const ControlChild&) = delete;

    ControlBase& Owner() const { return owner_; }
    const QString& Name() const { return name_; }
    int Index() const { return index_; }

    // The kind's name as hosts list it: "Label", "CommandButton", "FilledRect", ...
    virtual QString Kind() const = 0;
    // Everything a host may want to see of the child beyond name, index and kind.
    virtual void Describe(Description& out) const = 0;
    // Paints the child on the control's own surface, below every widget. Children that are widgets
    // of their own paint themselves and leave this empty.
    virtual void PaintOnSurface(QPainter& painter, double twipsPerPixel, const QPalette& palette) const;

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

    ControlBase& owner_;
    QString name_;
    int index_;
};

} // namespace k7
