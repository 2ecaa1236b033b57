#pragma once

namespace k7 {

// The checks every child widget applies to an assigned position or size, raising the errors the
// toolkit raises: 6 "Overflow" for a value that is not a finite number (a 0/0 computed by the
// control), 380 "Invalid property value" for a negative width or height.
class WidgetGeometry {
public:
    static void CheckPosition(double twips);
    static void CheckExtent(double twips);
};

} // namespace k7
