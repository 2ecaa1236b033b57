#pragma once

#include "frame/children/TwipsRect.h"
#include "orvelk7controls_export.h"

#include <memory>

namespace k7 {

// The twips geometry of a child that occupies a rectangle (labels, buttons, filled rectangles):
// Left, Top, Width, Height and Move, with the checks the toolkit applies to an assigned position
// or size. A value that is not a finite number (a 0/0 computed by the control) raises 6
// "Overflow", a negative width or height 380 "Invalid property value"; a failed assignment changes
// nothing. After every change the child is told through GeometryChanged, so a widget re-maps its
// pixels and a painted shape asks for a repaint.
class K7_EXPORT WidgetGeometry {
public:
    static void CheckPosition(double twips);
    static void CheckExtent(double twips);

    float Left() const { return Bounds().Left; }
    float Top() const { return Bounds().Top; }
    float Width() const { return Bounds().Width; }
    float Height() const { return Bounds().Height; }
    const TwipsRect& Bounds() const;
    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips);
    void SetHeight(float twips);
    void Move(float left, float top, float width, float height);
    void Move(const TwipsRect& bounds) { Move(bounds.Left, bounds.Top, bounds.Width, bounds.Height); }
    // Assigns top, height, left and width one after the other, in that order, as the layout
    // procedures of the controls do: a value that fails stops there, the ones before it stay.
    void SetTopHeightLeftWidth(float top, float height, float left, float width);

protected:
    WidgetGeometry();
    ~WidgetGeometry();

    // Takes another child's geometry as it stands (it passed the checks when assigned there).
    void CopyGeometryFrom(const WidgetGeometry& source);
    virtual void GeometryChanged() = 0;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
