#include "frame/ControlChild.h"

#include "frame/ControlAccessible.h"

namespace k7 {

ControlChild::ControlChild(ControlBase& owner, QString name, int index)
    : owner_(owner), name_(std::move(name)), index_(index) {}

ControlChild::~ControlChild() {
    // A screen reader may still hold the interface that stood for a painted child.
    PaintedChildAccessible::Forget(*this);
}

QString ControlChild::ElementName() const {
    return index_ >= 0 ? QStringLiteral("%1(%2)").arg(name_).arg(index_) : name_;
}

void ControlChild::PaintOnSurface(QPainter&, double, const QPalette&) const {}

std::optional<QRect> ControlChild::PaintedArea(double) const {
    return std::nullopt;
}

} // namespace k7
