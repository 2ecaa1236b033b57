#pragma once

#include "controls/frame/ControlChild.h"
#include "controls/frame/FontSpec.h"
#include "controls/frame/WidgetStyles.h"

#include <QPoint>
#include <QWidget>

#include <cstdint>

namespace k7 {

// A text label child of a control (lblTxt, lblCode, lblCell(k), ...): caption, font, text and
// background colours, transparent or opaque background, alignment, optional single-line border
// in its own colour, word wrap, twips geometry and visibility. The label paints itself; its
// geometry in twips is kept exactly as assigned and mapped to pixels on every change.
//
// Defaults: empty caption, Tahoma 8.25 pt, black text (0x00000000) on the button-face colour,
// opaque, left-aligned, no border (border colour window-frame), word wrap on, 0/0/0/0, visible.
class Label : public QWidget, public ControlChild {
    Q_OBJECT
public:
    Label(ControlBase& owner, const QString& name, int index = -1);

    ChildKind Kind() const override { return ChildKind::Label; }

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    const QString& Tag() const { return tag_; }
    void SetTag(const QString& tag) { tag_ = tag; }

    const FontSpec& Font() const { return font_; }
    void SetFont(const FontSpec& font);
    const QString& FontName() const { return font_.Name; }
    void SetFontName(const QString& name);
    float FontSize() const { return font_.Size; }
    void SetFontSize(float points); // 380 for a size no font can have
    bool FontBold() const { return font_.Bold; }
    void SetFontBold(bool bold);
    bool FontItalic() const { return font_.Italic; }
    void SetFontItalic(bool italic);
    bool FontUnderline() const { return font_.Underline; }
    void SetFontUnderline(bool underline);

    uint32_t ForeColor() const { return foreColor_; }
    void SetForeColor(uint32_t color);
    uint32_t BackColor() const { return backColor_; }
    void SetBackColor(uint32_t color);
    k7::BackStyle BackStyle() const { return backStyle_; }
    void SetBackStyle(k7::BackStyle style);
    k7::TextAlign TextAlign() const { return textAlign_; }
    void SetTextAlign(k7::TextAlign align);
    k7::BorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(k7::BorderStyle style);
    uint32_t BorderColor() const { return borderColor_; }
    void SetBorderColor(uint32_t color);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wrap);

    // Geometry in twips, in the control's coordinates. A negative width or height raises 380.
    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips);
    void SetHeight(float twips);
    void Move(float left, float top, float width, float height);

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    // Above every sibling widget.
    void BringToFront() { raise(); }

    // Every property of `source` except name, index and visibility (for widget-array copies).
    void CopyFrom(const Label& source);
    // A new element `index` of this label's array, a copy of this one, hidden.
    Label& LoadCopy(int index) const;

    // Re-maps the twips geometry after the control's pixel scale changed.
    void UpdatePixelGeometry();

signals:
    // Any mouse button released over the label; `globalPosition` is where a pop-up menu belongs.
    void MouseReleased(int index, Qt::MouseButton button, QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ApplyFont();

    QString caption_;
    QString tag_;
    FontSpec font_;
    uint32_t foreColor_ = 0x00000000;
    uint32_t backColor_ = 0x8000000F;
    k7::BackStyle backStyle_ = k7::BackStyle::Opaque;
    k7::TextAlign textAlign_ = k7::TextAlign::Left;
    k7::BorderStyle borderStyle_ = k7::BorderStyle::None;
    uint32_t borderColor_ = 0x80000006;
    bool wordWrap_ = true;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
};

} // namespace k7
