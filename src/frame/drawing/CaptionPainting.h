#pragma once

#include "frame/drawing/FontStyle.h"

#include <QPointF>
#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

class QPainter;

namespace k7 {

// Draws the caption of a label or a command button where TextMeasure places it: lines one line
// height apart, each baseline one ascent below its line's top, aligned by the measured widths, so
// that a caption fills its widget as the layout that fitted its size expects. Qt's own text
// layout spaces lines by the face's typographic metrics, which for Tahoma puts every line about a
// fifth of an em higher and closer than the layouts were drawn for. A face of bitmaps only is laid
// out at the size Qt draws it at (TextMeasure::DrawnScale).
//
// A line wider than the area (a figure in a narrow cell, a word that word wrap cannot break) is
// drawn smaller, on its own baseline, so that it fits the area's width: the layouts fit sizes to
// heights, and an operator must read every figure whole rather than lose its first digits to the
// cell's edge. The caption's size as a property does not change.
class CaptionPainting {
public:
    struct PlacedLine {
        QString Text;
        QPointF Baseline{}; // where the line starts on its baseline
        double Width = 0; // as drawn, after Scale
        double Scale = 1; // below 1 for a line drawn smaller to fit the area's width
    };

    // `alignment`: one horizontal flag (left, right, centre) and AlignTop or AlignVCenter.
    static std::vector<PlacedLine> Place(const QRect& area, Qt::Alignment alignment, bool wordWrap,
                                         const QString& caption, const FontStyle& font, double dpi);

    // Draws placed lines with the painter's own font and pen; `font` (in Place) is what the
    // painter's font was made from.
    static void Draw(QPainter& painter, const std::vector<PlacedLine>& lines);

    // The caption's lines: split at every line break (CR LF, LF or CR) and, with word wrap, before
    // a word that would end beyond `width` (a word wider than `width` keeps a line of its own).
    static QStringList Lines(const QString& caption, double width, bool wordWrap, const FontStyle& font,
                             double dpi);
};

} // namespace k7
