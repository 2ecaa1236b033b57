#include "controls/frame/WidgetGeometry.h"

#include "core/RuntimeError.h"

#include <cmath>

namespace k7 {

void WidgetGeometry::CheckPosition(double twips) {
    if (!std::isfinite(twips))
        Raise(ErrorNumber::Overflow);
}

void WidgetGeometry::CheckExtent(double twips) {
    CheckPosition(twips);
    if (twips < 0.0)
        Raise(ErrorNumber::InvalidPropertyValue);
}

} // namespace k7
