#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

// Where something was drawn on a white page: the smallest rectangle that holds every pixel of
// `region` (the whole image unless told) that is not white.
inline QRect InkBounds(const QImage& image, const QRect& region = {}) {
    QRect ink;
    const QRect clipped = region.isNull() ? image.rect() : region & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            if (image.pixelColor(x, y) != QColor(Qt::white))
                ink |= QRect(x, y, 1, 1);
    return ink;
}
