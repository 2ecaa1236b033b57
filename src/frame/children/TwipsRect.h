#pragma once

#include "frame/drawing/Twips.h"

#include <QRect>

namespace k7 {

// A child's position and size in twips, in the control's coordinates, kept exactly as the control
// code assigned them (single precision, never rounded). Pixels are derived on demand, at the scale
// of the moment, through the one twips-to-pixel rule of Twips.
struct TwipsRect {
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;

    QRect ToPixels(double twipsPerPixel) const {
        return Twips::ToPixelRect(Left, Top, Width, Height, twipsPerPixel);
    }

    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

} // namespace k7
