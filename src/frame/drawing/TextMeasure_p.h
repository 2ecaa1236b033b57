#pragma once

#include "frame/drawing/FontStyle.h"

#include <QString>

namespace k7 {

// The one place text is measured for the controls: widths and line heights as the platform the
// layouts were drawn for measures them (see FaceMetrics), in pixels of a device of `dpi` dots per
// inch. Every fitting rule, the controls' TextWidth and TextHeight and the picture's text go
// through it; text is still drawn by Qt, placed where these figures say (line tops one line
// height apart, the baseline one Windows ascent below a line's top).
//
// A face is read once and kept until the application ends; the figures at a pixel size are
// worked out from it on each call, as cheap as reading a cache of them. A face whose tables cannot
// be read is measured with Qt's figures for it at the same pixel size.
class TextMeasure {
public:
    // Pixels per em of `font` at `dpi` (a point is 1/72 inch): 11 for 8.25 points at 96 dpi.
    static double PixelsPerEm(const FontStyle& font, double dpi);
    // One line of text, in whole pixels: 13 for Tahoma 8.25 points at 96 dpi.
    static int LineHeight(const FontStyle& font, double dpi);
    // From the top of a line to its baseline, in whole pixels.
    static int Ascent(const FontStyle& font, double dpi);
    // The width of `line` (no line breaks), in pixels: the sum of its glyphs' advances.
    static double Width(const QString& line, const FontStyle& font, double dpi);
    // How much larger Qt draws `font` than it is measured: a face of bitmaps only is drawn from
    // its nearest strike whatever the size (Small Fonts always from its 11-pixel strike, an em of
    // 9 pixels). 1 for every other face.
    static double DrawnScale(const FontStyle& font, double dpi);
};

} // namespace k7
