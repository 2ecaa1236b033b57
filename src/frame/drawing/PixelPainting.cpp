#include "frame/drawing/PixelPainting_p.h"

#include <QColor>
#include <QPainter>
#include <QPen>

namespace k7 {

void PixelPainting::FillLine(QPainter& painter, QPoint from, QPoint to, const QColor& color) {
    painter.fillRect(QRect(from, to).normalized(), color);
}

void PixelPainting::FillFrame(QPainter& painter, const QRect& area, const QColor& color) {
    if (area.isEmpty())
        return;
    FillLine(painter, area.topLeft(), area.topRight(), color);
    FillLine(painter, area.bottomLeft(), area.bottomRight(), color);
    FillLine(painter, area.topLeft(), area.bottomLeft(), color);
    FillLine(painter, area.topRight(), area.bottomRight(), color);
}

double PixelPainting::DeviceScale(const QPainter& painter) {
    return painter.deviceTransform().m11();
}

QPointF PixelPainting::PenCentreOffset(const QPainter& painter, int width) {
    if (qFuzzyCompare(DeviceScale(painter), 1.0) || width % 2 == 0)
        return QPointF(0, 0);
    return QPointF(0.5, 0.5);
}

void PixelPainting::StrokeLine(QPainter& painter, QPoint from, QPoint to, const QPen& pen) {
    painter.setPen(pen);
    const QPointF centre = PenCentreOffset(painter, pen.width());
    const bool slanted = from.x() != to.x() && from.y() != to.y();
    if (centre.isNull() || slanted) {
        painter.drawLine(from, to);
        return;
    }
    // A flat end stays where it is; only the width moves onto the pixel centres.
    const QPointF across = from.y() == to.y() ? QPointF(0, centre.y()) : QPointF(centre.x(), 0);
    painter.drawLine(QPointF(from) + across, QPointF(to) + across);
}

} // namespace k7
