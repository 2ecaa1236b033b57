#include "frame/control/ControlAccessible_p.h"

#include "frame/children/Label.h"
#include "frame/control/ControlBase.h"

#include <QWindow>

#include <unordered_map>

namespace k7 {

namespace {

// A label is static text, or, while it opens a menu when released, a menu button.
class LabelAccessible : public QAccessibleWidget {
public:
    explicit LabelAccessible(Label& label) : QAccessibleWidget(&label, QAccessible::StaticText) {}
    QAccessible::Role role() const override {
        return static_cast<const Label*>(widget())->OpensOnRelease() ? QAccessible::ButtonMenu
                                                                     : QAccessible::StaticText;
    }
};

QAccessibleInterface* MakeInterface(const QString&, QObject* object) {
    if (auto* control = qobject_cast<ControlBase*>(object))
        return new ControlAccessible(*control);
    if (auto* label = qobject_cast<Label*>(object))
        return new LabelAccessible(*label);
    return nullptr;
}

// The cache ids of the painted children's interfaces made so far.
std::unordered_map<const ControlChild*, QAccessible::Id>& PaintedIds() {
    static std::unordered_map<const ControlChild*, QAccessible::Id> ids;
    return ids;
}

} // namespace

ControlAccessible::ControlAccessible(ControlBase& control)
    : QAccessibleWidget(&control, QAccessible::Grouping) {}

void ControlAccessible::EnsureInstalled() {
    static const bool installed = [] {
        QAccessible::installFactory(&MakeInterface);
        return true;
    }();
    (void)installed;
}

ControlBase& ControlAccessible::Control() const {
    return *static_cast<ControlBase*>(widget());
}

QString ControlAccessible::text(QAccessible::Text t) const {
    if (t != QAccessible::Name)
        return QAccessibleWidget::text(t);
    const ControlBase& control = Control();
    if (!control.accessibleName().isEmpty())
        return control.accessibleName();
    if (!control.objectName().isEmpty())
        return control.objectName();
    return control.Identity().ControlName;
}

std::vector<QAccessibleInterface*> ControlAccessible::Children() const {
    const ControlBase& control = Control();
    const double twipsPerPixel = control.TwipsPerPixel();
    std::vector<QAccessibleInterface*> children;
    for (const auto& child : control.Children()) {
        if (QWidget* widget = child->Widget()) {
            if (QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget))
                children.push_back(face);
        } else if (child->PaintedArea(twipsPerPixel)) {
            children.push_back(PaintedChildAccessible::For(*child));
        }
    }
    return children;
}

int ControlAccessible::childCount() const {
    return static_cast<int>(Children().size());
}

QAccessibleInterface* ControlAccessible::child(int index) const {
    const std::vector<QAccessibleInterface*> children = Children();
    return index >= 0 && index < static_cast<int>(children.size()) ? children[static_cast<size_t>(index)]
                                                                   : nullptr;
}

int ControlAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const std::vector<QAccessibleInterface*> children = Children();
    for (size_t i = 0; i < children.size(); ++i)
        if (children[i] == child)
            return static_cast<int>(i);
    return -1;
}

QAccessibleInterface* ControlAccessible::childAt(int x, int y) const {
    const std::vector<QAccessibleInterface*> children = Children();
    for (const bool widgets : {true, false})
        for (auto face = children.rbegin(); face != children.rend(); ++face)
            if (((*face)->object() != nullptr) == widgets && !(*face)->state().invisible &&
                (*face)->rect().contains(x, y))
                return *face;
    return nullptr;
}

QAccessibleInterface* PaintedChildAccessible::For(const ControlChild& child) {
    auto& ids = PaintedIds();
    if (const auto found = ids.find(&child); found != ids.end())
        if (QAccessibleInterface* face = QAccessible::accessibleInterface(found->second))
            return face;
    auto* face = new PaintedChildAccessible(child);
    ids[&child] = QAccessible::registerAccessibleInterface(face);
    return face;
}

void PaintedChildAccessible::Forget(const ControlChild& child) {
    auto& ids = PaintedIds();
    const auto found = ids.find(&child);
    if (found == ids.end())
        return;
    const QAccessible::Id id = found->second;
    ids.erase(found);
    QAccessible::deleteAccessibleInterface(id);
}

QWindow* PaintedChildAccessible::window() const {
    return child_.Owner().window()->windowHandle();
}

QAccessibleInterface* PaintedChildAccessible::parent() const {
    return QAccessible::queryAccessibleInterface(&child_.Owner());
}

QString PaintedChildAccessible::text(QAccessible::Text t) const {
    switch (t) {
    case QAccessible::Name:
        return child_.ElementName();
    case QAccessible::Description:
        return child_.Kind();
    default:
        return QString();
    }
}

QRect PaintedChildAccessible::rect() const {
    const ControlBase& control = child_.Owner();
    const std::optional<QRect> area = child_.PaintedArea(control.TwipsPerPixel());
    if (!area || !control.isVisible()) // nowhere on screen, as Qt places a hidden widget
        return QRect();
    return QRect(control.mapToGlobal(area->topLeft()), area->size());
}

QAccessible::State PaintedChildAccessible::state() const {
    QAccessible::State state;
    const ControlBase& control = child_.Owner();
    state.invisible = !control.isVisible() || !child_.PaintedArea(control.TwipsPerPixel());
    return state;
}

} // namespace k7
