#pragma once

#include <QString>

namespace k7 {

class ControlBase;

// What kind of child a ControlChild is (for hosts that list a control's children).
enum class ChildKind { Label, CommandButton, FilledRect, Line, Timer };

// The name, array index and owner every child of a control carries. A child registers itself with
// its control when created and leaves the control's list when destroyed, so the control always
// knows its children in creation order. Index is -1 for a child that is no widget-array element.
class ControlChild {
public:
    ControlChild(ControlBase& owner, QString name, int index);
    virtual ~ControlChild();
    ControlChild(const ControlChild&) = delete;
    ControlChild& operator=(const ControlChild&) = delete;

    ControlBase& Owner() const { return owner_; }
    const QString& Name() const { return name_; }
    int Index() const { return index_; }

    virtual ChildKind Kind() const = 0;
    static QString KindName(ChildKind kind);

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
    ControlBase& owner_;
    QString name_;
    int index_;
    bool registered_ = true;
};

} // namespace k7
