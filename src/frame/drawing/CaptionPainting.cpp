#include "frame/drawing/CaptionPainting.h"

#include "frame/drawing/TextMeasure_p.h"

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

std::vector<CaptionPainting::PlacedLine> CaptionPainting::Place(const QRect& area, Qt::Alignment alignment,
                                                                bool wordWrap, const QString& caption,
                                                                const FontStyle& font, double dpi) {
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
    std::vector<PlacedLine> placed;
    for (const QString& line : lines) {
        PlacedLine at{.Text = line, .Width = TextMeasure::Width(line, drawn, dpi)};
        if (at.Width > area.width() && area.width() > 0) {
            at.Scale = area.width() / at.Width;
            at.Width = area.width();
        }
        double left = area.left();
        if (alignment & Qt::AlignRight)
            left = area.left() + area.width() - at.Width;
        else if (alignment & Qt::AlignHCenter)
            left = area.left() + (area.width() - at.Width) / 2.0;
        at.Baseline = QPointF(left, top + ascent);
        placed.push_back(at);
        top += lineHeight;
    }
    return placed;
}

void CaptionPainting::Draw(QPainter& painter, const std::vector<PlacedLine>& lines) {
    for (const PlacedLine& line : lines) {
        if (line.Scale == 1) {
            painter.drawText(line.Baseline, line.Text);
            continue;
        }
        painter.save();
        painter.translate(line.Baseline);
        painter.scale(line.Scale, line.Scale);
        painter.drawText(QPointF(0, 0), line.Text);
        painter.restore();
    }
}

} // namespace k7
