#include "frame/children/WidgetGeometry.h"

#include "core/RuntimeError.h"

#include <cmath>

namespace k7 {

struct WidgetGeometry::Private {
    TwipsRect bounds;
};

WidgetGeometry::WidgetGeometry() : geometry_(std::make_unique<Private>()) {}

WidgetGeometry::~WidgetGeometry() = default;

const TwipsRect& WidgetGeometry::Bounds() const {
    return geometry_->bounds;
}

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
    Move(twips, geometry_->bounds.Top, geometry_->bounds.Width, geometry_->bounds.Height);
}

void WidgetGeometry::SetTop(float twips) {
    Move(geometry_->bounds.Left, twips, geometry_->bounds.Width, geometry_->bounds.Height);
}

void WidgetGeometry::SetWidth(float twips) {
    Move(geometry_->bounds.Left, geometry_->bounds.Top, twips, geometry_->bounds.Height);
}

void WidgetGeometry::SetHeight(float twips) {
    Move(geometry_->bounds.Left, geometry_->bounds.Top, geometry_->bounds.Width, twips);
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
    geometry_->bounds = TwipsRect{left, top, width, height};
    GeometryChanged();
}

void WidgetGeometry::CopyGeometryFrom(const WidgetGeometry& source) {
    geometry_->bounds = source.geometry_->bounds;
    GeometryChanged();
}

} // namespace k7
