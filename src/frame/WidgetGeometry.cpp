#include "frame/WidgetGeometry.h"

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

void WidgetGeometry::SetLeft(float twips) {
    Move(twips, bounds_.Top, bounds_.Width, bounds_.Height);
}

void WidgetGeometry::SetTop(float twips) {
    Move(bounds_.Left, twips, bounds_.Width, bounds_.Height);
}

void WidgetGeometry::SetWidth(float twips) {
    Move(bounds_.Left, bounds_.Top, twips, bounds_.Height);
}

void WidgetGeometry::SetHeight(float twips) {
    Move(bounds_.Left, bounds_.Top, bounds_.Width, twips);
}

void WidgetGeometry::SetTopHeightLeftWidth(float top, float height, float left, float width) {
    SetTop(top);
    SetHeight(height);
    SetLeft(left);
    SetWidth(width);
}

void WidgetGeometry::Move(float left, float top, float width, float height) {
    // Every value is checked before any is stored, so a failure leaves the child where it was.
    CheckPosition(left);
    CheckPosition(top);
    CheckExtent(width);
    CheckExtent(height);
    bounds_ = TwipsRect{left, top, width, height};
    GeometryChanged();
}

void WidgetGeometry::CopyGeometryFrom(const WidgetGeometry& source) {
    bounds_ = source.bounds_;
    GeometryChanged();
}

} // namespace k7
