#include "ControlIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace k7 {

namespace {

QPixmap Draw(const QString& name, int side) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / 32.0, side / 32.0);
    const auto tile = [&painter](const QColor& color) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    };
    const QPen ink(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (name == QLatin1String("ProdCode")) { // a product code field
        tile(QColor(20, 20, 20));
        painter.setBrush(QColor(192, 192, 192));
        painter.drawRect(QRectF(12, 11, 17, 10));
        painter.setBrush(QColor(128, 255, 128));
        painter.drawRect(QRectF(4, 12, 6, 3));
    } else if (name == QLatin1String("ScrapScreen")) { // the yellow bar over cause buttons
        tile(QColor(46, 134, 193));
        painter.setBrush(QColor(255, 255, 0));
        painter.drawRect(QRectF(4, 4, 24, 7));
        painter.setBrush(QColor(210, 230, 245));
        for (int i = 0; i < 4; ++i)
            painter.drawRect(QRectF(4 + (i % 2) * 13, 13 + (i / 2) * 8, 11, 6));
    } else if (name == QLatin1String("FaiJustifier")) { // the inspection's header and a reason row
        tile(QColor(0, 0, 0));
        painter.setBrush(QColor(46, 134, 193));
        painter.drawRect(QRectF(4, 5, 24, 7));
        painter.setBrush(QColor(255, 255, 0));
        painter.drawRect(QRectF(7, 15, 18, 3));
        painter.setBrush(QColor(224, 224, 224));
        painter.drawRect(QRectF(4, 21, 24, 6));
    } else if (name == QLatin1String("OEETracker")) { // day markers against targets
        tile(QColor(240, 240, 240));
        const QColor colors[] = {QColor(230, 200, 0), QColor(0, 170, 0), QColor(220, 0, 0), QColor(0, 170, 0)};
        const int heights[] = {14, 8, 20, 6};
        for (int i = 0; i < 4; ++i) {
            painter.setBrush(colors[i]);
            painter.drawRect(QRectF(5 + i * 6, heights[i], 5, 3));
        }
    } else if (name == QLatin1String("TimeTracker")) { // a clock face and a cycle bar
        tile(QColor(128, 128, 128));
        painter.setPen(ink);
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(5, 5, 15, 15));
        painter.drawLine(QPointF(12.5, 12.5), QPointF(12.5, 8));
        painter.drawLine(QPointF(12.5, 12.5), QPointF(16, 12.5));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 255, 0));
        painter.drawRect(QRectF(23, 10, 5, 18));
    } else if (name == QLatin1String("ProductionPeriodTable")) { // a grid of figures
        tile(QColor(0, 0, 0));
        painter.setBrush(QColor(0, 0, 128));
        painter.drawRect(QRectF(4, 9, 24, 5));
        painter.setBrush(QColor(150, 240, 60));
        painter.drawRect(QRectF(4, 22, 24, 5));
        painter.setPen(QPen(Qt::white, 1));
        for (int x = 10; x <= 22; x += 6)
            painter.drawLine(QPointF(x, 4), QPointF(x, 28));
    } else { // PathControl: processes along a path
        tile(QColor(255, 255, 255));
        painter.setPen(QPen(QColor(90, 90, 90), 1.5));
        painter.drawLine(QPointF(4, 16), QPointF(28, 16));
        const QColor colors[] = {QColor(160, 220, 150), QColor(250, 220, 120), QColor(240, 150, 140)};
        for (int i = 0; i < 3; ++i) {
            painter.setBrush(colors[i]);
            painter.drawRect(QRectF(4 + i * 9, 10, 7, 12));
        }
    }
    return pixmap;
}

} // namespace

QIcon ControlIcon::For(const QString& controlName) {
    QIcon icon;
    for (const int side : {16, 22, 32, 64})
        icon.addPixmap(Draw(controlName, side));
    return icon;
}

} // namespace k7
