#pragma once

#include "controls/frame/Shape.h"
#include "controls/frame/WidgetStyles.h"

#include <cstdint>

namespace k7 {

// A rectangle shape (barOee(k), barTime(k), bgTop, BarMax): twips geometry, fill colour and fill
// style, background colour and style, optional border, visibility. Painted in this order:
// background when opaque, fill when solid, border when single.
//
// Defaults: 0/0/0/0, fill black and solid, background white and transparent, no border (border
// colour black), visible.
class FilledRect : public Shape {
public:
    FilledRect(ControlBase& owner, const QString& name, int index = -1);

    ChildKind Kind() const override { return ChildKind::FilledRect; }

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips); // negative: 380
    void SetHeight(float twips);
    void Move(float left, float top, float width, float height);

    uint32_t FillColor() const { return fillColor_; }
    void SetFillColor(uint32_t color);
    k7::FillStyle FillStyle() const { return fillStyle_; }
    void SetFillStyle(k7::FillStyle style);
    uint32_t BackColor() const { return backColor_; }
    void SetBackColor(uint32_t color);
    k7::BackStyle BackStyle() const { return backStyle_; }
    void SetBackStyle(k7::BackStyle style);
    k7::BorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(k7::BorderStyle style);
    uint32_t BorderColor() const { return borderColor_; }
    void SetBorderColor(uint32_t color);

    bool Visible() const override { return visible_; }
    void SetVisible(bool visible);

    void CopyFrom(const FilledRect& source);
    FilledRect& LoadCopy(int index) const;

    void Paint(QPainter& painter, double twipsPerPixel, const QPalette& palette) const override;

private:
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    uint32_t fillColor_ = 0x00000000;
    k7::FillStyle fillStyle_ = k7::FillStyle::Solid;
    uint32_t backColor_ = 0x00FFFFFF;
    k7::BackStyle backStyle_ = k7::BackStyle::Transparent;
    k7::BorderStyle borderStyle_ = k7::BorderStyle::None;
    uint32_t borderColor_ = 0x00000000;
    bool visible_ = true;
};

} // namespace k7
