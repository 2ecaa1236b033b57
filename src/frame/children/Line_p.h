#pragma once

#include "frame/children/Shape_p.h"

#include <cstdint>

namespace k7 {

// A line shape (lineV(k), LineH(k), lineTop, lineBottom): two end points in twips, colour, width
// in pixels, visibility. An end point follows the position rule of every child (6 for a value
// that is no finite number). Defaults: (0,0)-(0,0), black, 1 pixel, visible.
class Line : public Shape {
public:
    // How a line looks before the control code touches it: one value per line of a design.
    struct Design {
        float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
        uint32_t Color = 0x00000000;
        int Width = 1;
        friend bool operator==(const Design&, const Design&) = default;
    };

    Line(ControlBase& owner, const QString& name, int index = -1);

    QString Kind() const override { return QStringLiteral("Line"); }
    void Describe(Description& out) const override;
    // The end points pass the position rule and the width the width rule, as single assignments do.
    Line& ApplyDesign(const Design& design);

    float X1() const { return state_.X1; }
    float Y1() const { return state_.Y1; }
    float X2() const { return state_.X2; }
    float Y2() const { return state_.Y2; }
    void SetX1(float twips) { MoveEnd(state_.X1, twips); }
    void SetY1(float twips) { MoveEnd(state_.Y1, twips); }
    void SetX2(float twips) { MoveEnd(state_.X2, twips); }
    void SetY2(float twips) { MoveEnd(state_.Y2, twips); }
    void SetPoints(float x1, float y1, float x2, float y2);

    uint32_t BorderColor() const { return state_.Color; }
    void SetBorderColor(uint32_t color) { Restyle(state_.Color, color); }
    int BorderWidth() const { return state_.Width; }
    void SetBorderWidth(int pixels); // below 1: 380

    // Every property of `source` except name, index and visibility (for widget-array copies).
    void CopyFrom(const Line& source);
    // A new element `index` of this line's array, a copy of this one, hidden.
    Line& LoadCopy(int index) const;

    std::shared_ptr<const ChildState> SaveState() const override;
    void RestoreState(const ChildState& saved) override;

protected:
    void Paint(QPainter& painter, double twipsPerPixel, const QPalette& palette) const override;
    // The box of the two end points, widened by the line's width.
    QRect Area(double twipsPerPixel) const override;

private:
    void MoveEnd(float& coordinate, float twips);

    // Everything but visibility, so that a copy takes all of it at once.
    Design state_;
};

} // namespace k7
