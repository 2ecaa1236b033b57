#include "frame/children/WidgetGeometry.h"

#include "core/RuntimeError.h"

#include <cmath>

namespace k7 {

struct WidgetGeometry::Private {
    TwipsRect bounds;
};

WidgetGeometry::WidgetGeometry() : d(std::make_unique<Private>()) {}

WidgetGeometry::~WidgetGeometry() = default;

const TwipsRect& WidgetGeometry::Bounds() const {
    return d->bounds;
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
    Move(twips, d->bounds.Top, d->bounds.Width, d->bounds.Height);
}

void WidgetGeometry::SetTop(float twips) {
    Move(d->bounds.Left, twips, d->bounds.Width, d->bounds.Height);
}

void WidgetGeometry::SetWidth(float twips) {
    Move(d->bounds.Left, d->bounds.Top, twips, d->bounds.Height);
}

void WidgetGeometry::SetHeight(float twips) {
    Move(d->bounds.Left, d->bounds.Top, d->bounds.Width, twips);
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
    d->bounds = TwipsRect{left, top, width, height};
    GeometryChanged();
}

void WidgetGeometry::CopyGeometryFrom(const WidgetGeometry& source) {
    d->bounds = source.d->bounds;
    GeometryChanged();
}

} // namespace k7
