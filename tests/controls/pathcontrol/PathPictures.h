#pragma once

// What PathControl's tests share: a size in pixels, how a message is drawn, and the picture a
// script paints.

#include "controls/pathcontrol/PathControl.h"
#include "controls/pathcontrol/RasterSurface_p.h"

#include <QImage>
#include <QStringList>

namespace k7::test {

inline void Size(k7::PathControl& control, int width, int height) {
    control.SetExtent(static_cast<float>(control.PixelsToTwips(width)),
                      static_cast<float>(control.PixelsToTwips(height)));
}

// A text drawn in black at (10, 20): how a failure, a status or the time-out is shown.
inline QString Message(const QString& text) {
    return "ctx.fillText('" + text + "',10,20)";
}
// The picture a fresh control shows after `scripts`, painted in turn: 200 x 120 pixels, or of the
// size and font of `like`.
inline QImage Painted(const QStringList& scripts, const k7::PathControl* like = nullptr) {
    k7::PathControl control;
    Size(control, 200, 120);
    if (like) {
        control.resize(like->size());
        control.picPath().SetFont(like->picPath().Font());
    }
    for (const QString& script : scripts)
        control.Paint(script);
    return control.picPath().Image().copy();
}
} // namespace k7::test
