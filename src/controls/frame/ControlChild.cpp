#include "controls/frame/ControlChild.h"

namespace k7 {

ControlChild::ControlChild(ControlBase& owner, QString name, int index)
    : owner_(owner), name_(std::move(name)), index_(index) {}

void ControlChild::PaintOnSurface(QPainter&, double, const QPalette&) const {}

} // namespace k7
