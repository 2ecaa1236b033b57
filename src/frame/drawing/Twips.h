#pragma once

#include "orvelk7controls_export.h"

#include <QPoint>
#include <QRect>

class QPaintDevice;

namespace k7 {

// Control geometry is kept in twips (1/1440 inch) and turned into pixels only when drawn. The
// edges are rounded, not the sizes, so two widgets that touch in twips touch on screen too.
class K7_EXPORT Twips {
public:
    static constexpr double PerInch = 1440.0;
    static constexpr double PerPoint = 20.0;

    // A length in twips as points (a font size that fills it), and back.
    static constexpr double ToPoints(double twips) { return twips / PerPoint; }
    static constexpr double FromPoints(double points) { return points * PerPoint; }

    // The logical dots per inch of `device` (96 where it reports none).
    static double LogicalDpi(const QPaintDevice& device);
    // Twips per pixel on `device` (15 at 96 dpi), from its logical dpi.
    static double PerPixel(const QPaintDevice& device) { return PerInch / LogicalDpi(device); }

    static int ToPixel(double twips, double twipsPerPixel);
    static QRect ToPixelRect(double left, double top, double width, double height, double twipsPerPixel);
    static QPoint ToPixelPoint(double x, double y, double twipsPerPixel);
};

} // namespace k7
