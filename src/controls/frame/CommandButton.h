#pragma once

#include "controls/frame/ControlChild.h"
#include "controls/frame/FontSpec.h"

#include <QPushButton>

#include <cstdint>

namespace k7 {

// A command button child of a control (btnAllScrap, btnScrap(k), btnJust(k)): caption, tag, font,
// text and face colours, twips geometry, visibility, and a Click carrying the element index. It is
// a real push button (focus, space/enter, accessibility name = caption) painted flat in its own
// colours, so a yellow face is the yellow the design asked for under every style.
//
// Defaults: empty caption and tag, Tahoma 8.25 pt, button-text on button-face, 0/0/0/0, visible.
class CommandButton : public QPushButton, public ControlChild {
    Q_OBJECT
public:
    CommandButton(ControlBase& owner, const QString& name, int index = -1);

    ChildKind Kind() const override { return ChildKind::CommandButton; }

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    const QString& Tag() const { return tag_; }
    void SetTag(const QString& tag) { tag_ = tag; }

    const FontSpec& Font() const { return font_; }
    void SetFont(const FontSpec& font); // 380 for a size no font can have
    const QString& FontName() const { return font_.Name; }
    void SetFontName(const QString& name);
    float FontSize() const { return font_.Size; }
    void SetFontSize(float points);
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
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wrap);

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips); // negative: 380
    void SetHeight(float twips);
    void Move(float left, float top, float width, float height);

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    void BringToFront() { raise(); }

    void CopyFrom(const CommandButton& source);
    CommandButton& LoadCopy(int index) const;
    void UpdatePixelGeometry();

signals:
    // The button was pressed (mouse or keyboard); `index` is its element index (-1 outside arrays).
    void Clicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ApplyFont();

    QString caption_;
    QString tag_;
    FontSpec font_;
    uint32_t foreColor_ = 0x80000012;
    uint32_t backColor_ = 0x8000000F;
    bool wordWrap_ = true;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
};

} // namespace k7
