#include "controls/frame/Label.h"

#include "controls/frame/Colors.h"
#include "controls/frame/ControlBase.h"
#include "controls/frame/Twips.h"
#include "controls/frame/WidgetGeometry.h"

#include <QMouseEvent>
#include <QPainter>

namespace k7 {

Label::Label(ControlBase& owner, const QString& name, int index)
    : QWidget(&owner), ControlChild(owner, name, index) {
    setObjectName(index >= 0 ? QStringLiteral("%1(%2)").arg(name).arg(index) : name);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    ApplyFont();
    UpdatePixelGeometry();
    QWidget::setVisible(visible_);
}

void Label::SetCaption(const QString& caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    setAccessibleName(caption_);
    update();
}

void Label::SetFont(const FontSpec& font) {
    FontSpec::CheckSize(font.Size);
    if (font == font_)
        return;
    font_ = font;
    ApplyFont();
}

void Label::SetFontName(const QString& name) {
    FontSpec font = font_;
    font.Name = name;
    SetFont(font);
}

void Label::SetFontSize(float points) {
    FontSpec font = font_;
    font.Size = points;
    SetFont(font);
}

void Label::SetFontBold(bool bold) {
    FontSpec font = font_;
    font.Bold = bold;
    SetFont(font);
}

void Label::SetFontItalic(bool italic) {
    FontSpec font = font_;
    font.Italic = italic;
    SetFont(font);
}

void Label::SetFontUnderline(bool underline) {
    FontSpec font = font_;
    font.Underline = underline;
    SetFont(font);
}

void Label::SetForeColor(uint32_t color) {
    if (color == foreColor_)
        return;
    foreColor_ = color;
    update();
}

void Label::SetBackColor(uint32_t color) {
    if (color == backColor_)
        return;
    backColor_ = color;
    update();
}

void Label::SetBackStyle(k7::BackStyle style) {
    if (style == backStyle_)
        return;
    backStyle_ = style;
    update();
}

void Label::SetTextAlign(k7::TextAlign align) {
    if (align == textAlign_)
        return;
    textAlign_ = align;
    update();
}

void Label::SetBorderStyle(k7::BorderStyle style) {
    if (style == borderStyle_)
        return;
    borderStyle_ = style;
    update();
}

void Label::SetBorderColor(uint32_t color) {
    if (color == borderColor_)
        return;
    borderColor_ = color;
    update();
}

void Label::SetWordWrap(bool wrap) {
    if (wrap == wordWrap_)
        return;
    wordWrap_ = wrap;
    update();
}

void Label::SetLeft(float twips) {
    WidgetGeometry::CheckPosition(twips);
    left_ = twips;
    UpdatePixelGeometry();
}

void Label::SetTop(float twips) {
    WidgetGeometry::CheckPosition(twips);
    top_ = twips;
    UpdatePixelGeometry();
}

void Label::SetWidth(float twips) {
    WidgetGeometry::CheckExtent(twips);
    width_ = twips;
    UpdatePixelGeometry();
}

void Label::SetHeight(float twips) {
    WidgetGeometry::CheckExtent(twips);
    height_ = twips;
    UpdatePixelGeometry();
}

void Label::Move(float left, float top, float width, float height) {
    WidgetGeometry::CheckPosition(left);
    WidgetGeometry::CheckPosition(top);
    WidgetGeometry::CheckExtent(width);
    WidgetGeometry::CheckExtent(height);
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    UpdatePixelGeometry();
}

void Label::SetVisible(bool visible) {
    visible_ = visible;
    QWidget::setVisible(visible);
}

void Label::CopyFrom(const Label& source) {
    caption_ = source.caption_;
    tag_ = source.tag_;
    font_ = source.font_;
    foreColor_ = source.foreColor_;
    backColor_ = source.backColor_;
    backStyle_ = source.backStyle_;
    textAlign_ = source.textAlign_;
    borderStyle_ = source.borderStyle_;
    borderColor_ = source.borderColor_;
    wordWrap_ = source.wordWrap_;
    left_ = source.left_;
    top_ = source.top_;
    width_ = source.width_;
    height_ = source.height_;
    setAccessibleName(caption_);
    ApplyFont();
    UpdatePixelGeometry();
    update();
}

Label& Label::LoadCopy(int index) const {
    Label& copy = Owner().CreateLabel(Name(), index);
    copy.CopyFrom(*this);
    copy.SetVisible(false);
    return copy;
}

void Label::UpdatePixelGeometry() {
    setGeometry(Twips::ToPixelRect(left_, top_, width_, height_, Twips::PerPixel(*this)));
}

void Label::ApplyFont() {
    QWidget::setFont(font_.ToQFont());
    update();
}

void Label::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect area = rect();
    if (backStyle_ == k7::BackStyle::Opaque)
        painter.fillRect(area, Colors::ToQColor(backColor_, palette()));
    if (borderStyle_ == k7::BorderStyle::Single) {
        painter.setPen(Colors::ToQColor(borderColor_, palette()));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
        area.adjust(1, 1, -1, -1);
    }
    // A pixel of air between the text and the edge, as the designs were drawn.
    area.adjust(1, 0, -1, 0);
    int flags = Qt::AlignTop;
    switch (textAlign_) {
    case k7::TextAlign::Left:
        flags |= Qt::AlignLeft;
        break;
    case k7::TextAlign::Center:
        flags |= Qt::AlignHCenter;
        break;
    case k7::TextAlign::Right:
        flags |= Qt::AlignRight;
        break;
    }
    if (wordWrap_)
        flags |= Qt::TextWordWrap;
    painter.setFont(font());
    painter.setPen(Colors::ToQColor(foreColor_, palette()));
    painter.drawText(area, flags, caption_);
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseReleased(Index(), event->button(), event->globalPosition().toPoint());
    event->accept();
}

} // namespace k7
