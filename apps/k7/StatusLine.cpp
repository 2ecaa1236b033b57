#include "StatusLine.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace k7::cli {

namespace {
// The line's own space between its edges and the text.
constexpr int kPadding = 8;
} // namespace

StatusLine::StatusLine(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    // Read from a step away, as the rest of the screen is.
    QFont font = this->font();
    font.setPixelSize(14);
    setFont(font);
}

const QString& StatusLine::Separator() {
    static const QString separator = QStringLiteral("  |  ");
    return separator;
}

void StatusLine::SetParts(std::vector<Part> parts) {
    std::stable_sort(parts.begin(), parts.end(),
                     [](const Part& a, const Part& b) { return a.Order < b.Order; });
    parts_ = std::move(parts);
    setToolTip(FullText());
    update();
}

QString StatusLine::FullText() const {
    QStringList texts;
    for (const Part& part : parts_)
        texts << part.Text;
    return texts.join(Separator());
}

std::vector<StatusLine::Piece> StatusLine::Fit(const std::vector<Part>& parts, int width,
                                               const QFontMetrics& metrics) {
    std::vector<Piece> pieces;
    int left = width;
    for (const Part& part : parts) {
        // The separator keeps the line's own colour: a red part must not colour its neighbours' bar.
        const QString separator = pieces.empty() ? QString() : Separator();
        left -= metrics.horizontalAdvance(separator);
        const int advance = metrics.horizontalAdvance(part.Text);
        // The first part that does not fit shows what it can, and its ellipsis says there is more.
        const QString text =
            advance <= left ? part.Text : metrics.elidedText(part.Text, Qt::ElideRight, std::max(0, left));
        if (text.isEmpty())
            break;
        if (!separator.isEmpty())
            pieces.push_back({separator, QColor()});
        pieces.push_back({text, part.Color});
        if (advance > left)
            break;
        left -= advance;
    }
    return pieces;
}

std::vector<StatusLine::Piece> StatusLine::Pieces() const {
    return Fit(parts_, std::max(0, width() - 2 * kPadding), QFontMetrics(font()));
}

QString StatusLine::ShownText() const {
    QString text;
    for (const Piece& piece : Pieces())
        text += piece.Text;
    return text;
}

void StatusLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    int x = kPadding;
    const int baseline = (height() + metrics.ascent() - metrics.descent()) / 2;
    for (const Piece& piece : Pieces()) {
        painter.setPen(piece.Color.isValid() ? piece.Color : palette().color(QPalette::WindowText));
        painter.drawText(x, baseline, piece.Text);
        x += metrics.horizontalAdvance(piece.Text);
    }
}

} // namespace k7::cli
