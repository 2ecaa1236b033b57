#include "controls/frame/Shape.h"

#include "controls/frame/ControlBase.h"

namespace k7 {

void Shape::Changed() const {
    Owner().update();
}

} // namespace k7
