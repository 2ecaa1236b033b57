#include "controls/frame/FilledRect.h"

#include "controls/frame/Colors.h"
#include "controls/frame/ControlBase.h"
#include "controls/frame/Twips.h"
#include "controls/frame/WidgetGeometry.h"

#include <QPainter>

namespace k7 {

FilledRect::FilledRect(ControlBase& owner, const QString& name, int index) : Shape(owner, name, index) {}

void FilledRect::SetLeft(float twips) {
    WidgetGeometry::CheckPosition(twips);
    left_ = twips;
    Changed();
}

void FilledRect::SetTop(float twips) {
    WidgetGeometry::CheckPosition(twips);
    top_ = twips;
    Changed();
}

void FilledRect::SetWidth(float twips) {
    WidgetGeometry::CheckExtent(twips);
    width_ = twips;
    Changed();
}

void FilledRect::SetHeight(float twips) {
    WidgetGeometry::CheckExtent(twips);
    height_ = twips;
    Changed();
}

void FilledRect::Move(float left, float top, float width, float height) {
    WidgetGeometry::CheckPosition(left);
    WidgetGeometry::CheckPosition(top);
    WidgetGeometry::CheckExtent(width);
    WidgetGeometry::CheckExtent(height);
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Changed();
}

void FilledRect::SetFillColor(uint32_t color) {
    fillColor_ = color;
    Changed();
}

void FilledRect::SetFillStyle(k7::FillStyle style) {
    fillStyle_ = style;
    Changed();
}

void FilledRect::SetBackColor(uint32_t color) {
    backColor_ = color;
    Changed();
}

void FilledRect::SetBackStyle(k7::BackStyle style) {
    backStyle_ = style;
    Changed();
}

void FilledRect::SetBorderStyle(k7::BorderStyle style) {
    borderStyle_ = style;
    Changed();
}

void FilledRect::SetBorderColor(uint32_t color) {
    borderColor_ = color;
    Changed();
}

void FilledRect::SetVisible(bool visible) {
    visible_ = visible;
    Changed();
}

void FilledRect::CopyFrom(const FilledRect& source) {
    left_ = source.left_;
    top_ = source.top_;
    width_ = source.width_;
    height_ = source.height_;
    fillColor_ = source.fillColor_;
    fillStyle_ = source.fillStyle_;
    backColor_ = source.backColor_;
    backStyle_ = source.backStyle_;
    borderStyle_ = source.borderStyle_;
    borderColor_ = source.borderColor_;
    Changed();
}

FilledRect& FilledRect::LoadCopy(int index) const {
    FilledRect& copy = Owner().CreateFilledRect(Name(), index);
    copy.CopyFrom(*this);
    copy.SetVisible(false);
    return copy;
}

void FilledRect::Paint(QPainter& painter, double twipsPerPixel, const QPalette& palette) const {
    const QRect area = Twips::ToPixelRect(left_, top_, width_, height_, twipsPerPixel);
    if (area.isEmpty())
        return;
    if (backStyle_ == k7::BackStyle::Opaque)
        painter.fillRect(area, Colors::ToQColor(backColor_, palette));
    if (fillStyle_ == k7::FillStyle::Solid)
        painter.fillRect(area, Colors::ToQColor(fillColor_, palette));
    if (borderStyle_ == k7::BorderStyle::Single) {
        painter.setPen(Colors::ToQColor(borderColor_, palette));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
    }
}

} // namespace k7
