#include "frame/children/Shape_p.h"

#include "frame/control/ControlBase.h"

namespace k7 {

void Shape::PaintOnSurface(QPainter& painter, double twipsPerPixel, const QPalette& palette) const {
    if (visible_)
        Paint(painter, twipsPerPixel, palette);
}

std::optional<QRect> Shape::PaintedArea(double twipsPerPixel) const {
    if (!visible_)
        return std::nullopt;
    return Area(twipsPerPixel);
}

void Shape::Changed() const {
    Owner().update();
}

} // namespace k7
