#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>

class QColor;
class QPainter;
class QPen;

namespace k7 {

// Drawing that covers the same logical pixels at every device pixel ratio. Qt's aliased pens
// follow two rules: at ratio 1 a one-pixel line lies to the right of and below its mathematical
// line, at ratio 2 the same pen is two device pixels wide and straddles it, half a logical pixel
// up and to the left. Borders and bevels drawn with a pen therefore move at ratio 2 and the
// outermost one is half cut off; these fill whole logical pixels instead, which the painter maps
// to whole device pixels at any ratio, and are identical to the pen at ratio 1.
class PixelPainting {
public:
    // The pixels from `from` to `to` inclusive, a horizontal or vertical run one pixel wide.
    static void FillLine(QPainter& painter, QPoint from, QPoint to, const QColor& color);
    // A one-pixel frame along the inside edge of `area`.
    static void FillFrame(QPainter& painter, const QRect& area, const QColor& color);
    // The painter's device pixels per logical pixel (2 on a high-density screen, whatever widget
    // or image it paints on).
    static double DeviceScale(const QPainter& painter);
    // How far an aliased pen `width` logical pixels wide must move so that it covers at the
    // painter's scale what it covers at scale 1: odd widths go through the pixel centres, half a
    // pixel right and down; nothing at scale 1 (Qt's own rule) or for even widths, which straddle
    // their line at every scale.
    static QPointF PenCentreOffset(const QPainter& painter, int width);
    // A line of the pen's width between two pixel positions. At ratio 1 this is Qt's own line;
    // at any other ratio a horizontal or vertical line of odd width is drawn through the pixel
    // centres so that it covers the rows (columns) it covers at ratio 1. Slanted lines have no
    // such exact counterpart and are drawn as they stand, smoother at the higher resolution.
    static void StrokeLine(QPainter& painter, QPoint from, QPoint to, const QPen& pen);
};

} // namespace k7
