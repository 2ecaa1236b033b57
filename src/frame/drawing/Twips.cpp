#include "frame/drawing/Twips.h"

#include <QPaintDevice>

#include <algorithm>
#include <climits>
#include <cmath>

namespace k7 {

double Twips::LogicalDpi(const QPaintDevice& device) {
    const int dpi = device.logicalDpiX();
    return dpi > 0 ? dpi : 96;
}

int Twips::ToPixel(double twips, double twipsPerPixel) {
    // Far-off widgets (a marker pushed below the bottom edge) must not overflow the pixel type.
    const double pixels = std::round(twips / twipsPerPixel);
    return static_cast<int>(std::clamp(pixels, double(INT_MIN / 4), double(INT_MAX / 4)));
}

QRect Twips::ToPixelRect(double left, double top, double width, double height, double twipsPerPixel) {
    const int x0 = ToPixel(left, twipsPerPixel);
    const int y0 = ToPixel(top, twipsPerPixel);
    const int x1 = ToPixel(left + width, twipsPerPixel);
    const int y1 = ToPixel(top + height, twipsPerPixel);
    return QRect(x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0));
}

QPoint Twips::ToPixelPoint(double x, double y, double twipsPerPixel) {
    return QPoint(ToPixel(x, twipsPerPixel), ToPixel(y, twipsPerPixel));
}

} // namespace k7
