#pragma once

#include "frame/FontStyle.h"

#include <QRect>
#include <QString>
#include <QStringList>

class QPainter;

namespace k7 {

// Draws the caption of a label or a command button where TextMeasure places it: lines one line
// height apart, each baseline one ascent below its line's top, aligned by the measured widths, so
// that a caption fills its widget as the layout that fitted its size expects. Qt's own text
// layout spaces lines by the face's typographic metrics, which for Tahoma puts every line about a
// fifth of an em higher and closer than the layouts were drawn for. A face of bitmaps only is laid
// out at the size Qt draws it at (TextMeasure::DrawnScale).
class CaptionPainting {
public:
    // `alignment`: one horizontal flag (left, right, centre) and AlignTop or AlignVCenter. The
    // painter draws with its own font and pen; `font` is what the painter's font was made from.
    static void Draw(QPainter& painter, const QRect& area, Qt::Alignment alignment, bool wordWrap,
                     const QString& caption, const FontStyle& font, double dpi);

    // The caption's lines: split at every line break (CR LF, LF or CR) and, with word wrap, before
    // a word that would end beyond `width` (a word wider than `width` keeps a line of its own).
    static QStringList Lines(const QString& caption, double width, bool wordWrap, const FontStyle& font,
                             double dpi);
};

} // namespace k7
