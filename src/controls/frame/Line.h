#pragma once

#include "controls/frame/Shape.h"

#include <cstdint>

namespace k7 {

// A line shape (lineV(k), LineH(k), lineTop, lineBottom): two end points in twips, colour, width
// in pixels, visibility. Defaults: (0,0)-(0,0), black, 1 pixel, visible.
class Line : public Shape {
public:
    Line(ControlBase& owner, const QString& name, int index = -1);

    ChildKind Kind() const override { return ChildKind::Line; }

    float X1() const { return x1_; }
    float Y1() const { return y1_; }
    float X2() const { return x2_; }
    float Y2() const { return y2_; }
    void SetX1(float twips);
    void SetY1(float twips);
    void SetX2(float twips);
    void SetY2(float twips);
    void SetPoints(float x1, float y1, float x2, float y2);

    uint32_t BorderColor() const { return color_; }
    void SetBorderColor(uint32_t color);
    int BorderWidth() const { return width_; }
    void SetBorderWidth(int pixels); // below 1: 380

    bool Visible() const override { return visible_; }
    void SetVisible(bool visible);

    void CopyFrom(const Line& source);
    Line& LoadCopy(int index) const;

    void Paint(QPainter& painter, double twipsPerPixel, const QPalette& palette) const override;

private:
    float x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
    uint32_t color_ = 0x00000000;
    int width_ = 1;
    bool visible_ = true;
};

} // namespace k7
