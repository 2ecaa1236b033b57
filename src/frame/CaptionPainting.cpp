#include "frame/CaptionPainting.h"

#include "frame/TextMeasure.h"

#include <QPainter>
#include <QRegularExpression>

namespace k7 {

namespace {

QString WithoutTrailingBlanks(QString text) {
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

} // namespace

QStringList CaptionPainting::Lines(const QString& caption, double width, bool wordWrap, const FontStyle& font,
                                   double dpi) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    // Each word with the blanks after it.
    static const QRegularExpression wordStart(QStringLiteral("(?<= )(?=[^ ])"));
    QStringList lines;
    for (const QString& paragraph : caption.split(lineBreak)) {
        if (!wordWrap) {
            lines << paragraph;
            continue;
        }
        QString line;
        for (const QString& word : paragraph.split(wordStart)) {
            const QString longer = line + word;
            if (!line.isEmpty() && TextMeasure::Width(WithoutTrailingBlanks(longer), font, dpi) > width) {
                lines << WithoutTrailingBlanks(line);
                line = word;
            } else {
                line = longer;
            }
        }
        lines << line;
    }
    return lines;
}

void CaptionPainting::Draw(QPainter& painter, const QRect& area, Qt::Alignment alignment, bool wordWrap,
                           const QString& caption, const FontStyle& font, double dpi) {
    // Qt draws a face of bitmaps only from its strike whatever the size; its glyphs are laid out
    // at the size they are drawn at, so that they stay whole and readable inside the widget.
    FontStyle drawn = font;
    drawn.Size = static_cast<float>(font.Size * TextMeasure::DrawnScale(font, dpi));
    const QStringList lines = Lines(caption, area.width(), wordWrap, drawn, dpi);
    const double lineHeight = TextMeasure::LineHeight(drawn, dpi);
    const double ascent = TextMeasure::Ascent(drawn, dpi);
    double top = area.top();
    if (alignment & Qt::AlignVCenter)
        top += (area.height() - lineHeight * static_cast<double>(lines.size())) / 2.0;
    for (const QString& line : lines) {
        const double width = TextMeasure::Width(line, drawn, dpi);
        double left = area.left();
        if (alignment & Qt::AlignRight)
            left = area.left() + area.width() - width;
        else if (alignment & Qt::AlignHCenter)
            left = area.left() + (area.width() - width) / 2.0;
        painter.drawText(QPointF(left, top + ascent), line);
        top += lineHeight;
    }
}

} // namespace k7
