#include "controls/frame/Line.h"

#include "controls/frame/Colors.h"
#include "controls/frame/ControlBase.h"
#include "controls/frame/Twips.h"
#include "controls/frame/WidgetGeometry.h"
#include "core/RuntimeError.h"

#include <QPainter>
#include <QPen>

namespace k7 {

Line::Line(ControlBase& owner, const QString& name, int index) : Shape(owner, name, index) {}

void Line::SetX1(float twips) {
    WidgetGeometry::CheckPosition(twips);
    x1_ = twips;
    Changed();
}

void Line::SetY1(float twips) {
    WidgetGeometry::CheckPosition(twips);
    y1_ = twips;
    Changed();
}

void Line::SetX2(float twips) {
    WidgetGeometry::CheckPosition(twips);
    x2_ = twips;
    Changed();
}

void Line::SetY2(float twips) {
    WidgetGeometry::CheckPosition(twips);
    y2_ = twips;
    Changed();
}

void Line::SetPoints(float x1, float y1, float x2, float y2) {
    WidgetGeometry::CheckPosition(x1);
    WidgetGeometry::CheckPosition(y1);
    WidgetGeometry::CheckPosition(x2);
    WidgetGeometry::CheckPosition(y2);
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
    Changed();
}

void Line::SetBorderColor(uint32_t color) {
    color_ = color;
    Changed();
}

void Line::SetBorderWidth(int pixels) {
    if (pixels < 1)
        Raise(ErrorNumber::InvalidPropertyValue);
    width_ = pixels;
    Changed();
}

void Line::SetVisible(bool visible) {
    visible_ = visible;
    Changed();
}

void Line::CopyFrom(const Line& source) {
    x1_ = source.x1_;
    y1_ = source.y1_;
    x2_ = source.x2_;
    y2_ = source.y2_;
    color_ = source.color_;
    width_ = source.width_;
    Changed();
}

Line& Line::LoadCopy(int index) const {
    Line& copy = Owner().CreateLine(Name(), index);
    copy.CopyFrom(*this);
    copy.SetVisible(false);
    return copy;
}

void Line::Paint(QPainter& painter, double twipsPerPixel, const QPalette& palette) const {
    QPen pen(Colors::ToQColor(color_, palette));
    pen.setWidth(width_);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(Twips::ToPixelPoint(x1_, y1_, twipsPerPixel),
                     Twips::ToPixelPoint(x2_, y2_, twipsPerPixel));
}

} // namespace k7
