#include "frame/children/ControlChild.h"

#include "frame/children/ChildState_p.h"

#include "frame/control/ControlAccessible_p.h"

namespace k7 {

struct ControlChild::Private {
    ControlBase& owner;
    QString name;
    int index;
};

ControlChild::ControlChild(ControlBase& owner, QString name, int index)
    : d(new Private{owner, std::move(name), index}) {}

ControlChild::~ControlChild() {
    // A screen reader may still hold the interface that stood for a painted child.
    PaintedChildAccessible::Forget(*this);
}

ControlBase& ControlChild::Owner() const {
    return d->owner;
}

const QString& ControlChild::Name() const {
    return d->name;
}

int ControlChild::Index() const {
    return d->index;
}

QString ControlChild::ElementName() const {
    const Private& child = *d;
    return child.index >= 0 ? QStringLiteral("%1(%2)").arg(child.name).arg(child.index) : child.name;
}

void ControlChild::PaintOnSurface(QPainter&, double, const QPalette&) const {}

std::optional<QRect> ControlChild::PaintedArea(double) const {
    return std::nullopt;
}

std::shared_ptr<const ChildState> ControlChild::SaveState() const {
    return nullptr;
}

void ControlChild::RestoreState(const ChildState&) {}

} // namespace k7
