#include "controls/frame/CommandButton.h"

#include "controls/frame/Colors.h"
#include "controls/frame/ControlBase.h"
#include "controls/frame/Twips.h"
#include "controls/frame/WidgetGeometry.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace k7 {

CommandButton::CommandButton(ControlBase& owner, const QString& name, int index)
    : QPushButton(&owner), ControlChild(owner, name, index) {
    setObjectName(index >= 0 ? QStringLiteral("%1(%2)").arg(name).arg(index) : name);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QPushButton::clicked, this, [this] { emit Clicked(Index()); });
    ApplyFont();
    UpdatePixelGeometry();
    QWidget::setVisible(visible_);
}

void CommandButton::SetCaption(const QString& caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    // The push button's own text feeds accessibility and mnemonics; an "&" in a caption is text.
    QString escaped = caption_;
    setText(escaped.replace(QLatin1Char('&'), QLatin1String("&&")));
    setAccessibleName(caption_);
    update();
}

void CommandButton::SetFont(const FontSpec& font) {
    FontSpec::CheckSize(font.Size);
    if (font == font_)
        return;
    font_ = font;
    ApplyFont();
}

void CommandButton::SetFontName(const QString& name) {
    FontSpec font = font_;
    font.Name = name;
    SetFont(font);
}

void CommandButton::SetFontSize(float points) {
    FontSpec font = font_;
    font.Size = points;
    SetFont(font);
}

void CommandButton::SetFontBold(bool bold) {
    FontSpec font = font_;
    font.Bold = bold;
    SetFont(font);
}

void CommandButton::SetFontItalic(bool italic) {
    FontSpec font = font_;
    font.Italic = italic;
    SetFont(font);
}

void CommandButton::SetFontUnderline(bool underline) {
    FontSpec font = font_;
    font.Underline = underline;
    SetFont(font);
}

void CommandButton::SetForeColor(uint32_t color) {
    if (color == foreColor_)
        return;
    foreColor_ = color;
    update();
}

void CommandButton::SetBackColor(uint32_t color) {
    if (color == backColor_)
        return;
    backColor_ = color;
    update();
}

void CommandButton::SetWordWrap(bool wrap) {
    if (wrap == wordWrap_)
        return;
    wordWrap_ = wrap;
    update();
}

void CommandButton::SetLeft(float twips) {
    WidgetGeometry::CheckPosition(twips);
    left_ = twips;
    UpdatePixelGeometry();
}

void CommandButton::SetTop(float twips) {
    WidgetGeometry::CheckPosition(twips);
    top_ = twips;
    UpdatePixelGeometry();
}

void CommandButton::SetWidth(float twips) {
    WidgetGeometry::CheckExtent(twips);
    width_ = twips;
    UpdatePixelGeometry();
}

void CommandButton::SetHeight(float twips) {
    WidgetGeometry::CheckExtent(twips);
    height_ = twips;
    UpdatePixelGeometry();
}

void CommandButton::Move(float left, float top, float width, float height) {
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

void CommandButton::SetVisible(bool visible) {
    visible_ = visible;
    QWidget::setVisible(visible);
}

void CommandButton::CopyFrom(const CommandButton& source) {
    SetCaption(source.caption_);
    tag_ = source.tag_;
    font_ = source.font_;
    foreColor_ = source.foreColor_;
    backColor_ = source.backColor_;
    wordWrap_ = source.wordWrap_;
    left_ = source.left_;
    top_ = source.top_;
    width_ = source.width_;
    height_ = source.height_;
    ApplyFont();
    UpdatePixelGeometry();
    update();
}

CommandButton& CommandButton::LoadCopy(int index) const {
    CommandButton& copy = Owner().CreateButton(Name(), index);
    copy.CopyFrom(*this);
    copy.SetVisible(false);
    return copy;
}

void CommandButton::UpdatePixelGeometry() {
    setGeometry(Twips::ToPixelRect(left_, top_, width_, height_, Twips::PerPixel(*this)));
}

void CommandButton::ApplyFont() {
    QWidget::setFont(font_.ToQFont());
    update();
}

void CommandButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect();
    const QPalette& colors = palette();
    painter.fillRect(area, Colors::ToQColor(backColor_, colors));

    // A two-pixel bevel, raised at rest and sunken while pressed.
    const bool sunken = isDown();
    const QColor outerLight = Colors::ToQColor(Colors::ButtonHighlight, colors);
    const QColor innerLight = Colors::ToQColor(Colors::Light3D, colors);
    const QColor outerDark = Colors::ToQColor(Colors::DarkShadow3D, colors);
    const QColor innerDark = Colors::ToQColor(Colors::ButtonShadow, colors);
    const QRect outer = area.adjusted(0, 0, -1, -1);
    const QRect inner = area.adjusted(1, 1, -2, -2);
    auto bevel = [&painter](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    };
    if (sunken) {
        bevel(outer, outerDark, outerLight);
        bevel(inner, innerDark, innerLight);
    } else {
        bevel(outer, outerLight, outerDark);
        bevel(inner, innerLight, innerDark);
    }

    QRect textArea = area.adjusted(3, 2, -3, -2);
    if (sunken)
        textArea.translate(1, 1);
    int flags = Qt::AlignCenter;
    if (wordWrap_)
        flags |= Qt::TextWordWrap;
    painter.setFont(font());
    painter.setPen(Colors::ToQColor(foreColor_, colors));
    painter.drawText(textArea, flags, caption_);

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = area.adjusted(4, 4, -4, -4);
        option.backgroundColor = Colors::ToQColor(backColor_, colors);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

} // namespace k7
