#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <utility>
#include <vector>

class QFontMetrics;

namespace k7::cli {

// The one line at the bottom of a terminal: parts of text, each with a rank and a colour, shown in
// rank order and fitted to the line's width. When they do not all fit, the first part that does not
// is shortened with an ellipsis and the parts after it are left out, so what an operator must see
// first (writes nobody has confirmed, a failing journal) is never what the window's edge cuts. The
// whole text is the line's tooltip.
class StatusLine : public QWidget {
public:
    // Lower ranks come first and are the last to be shortened.
    enum class Rank { Writes, Service, Controls, Other };
    struct Part {
        Part(QString text, Rank order = Rank::Other, QColor color = {})
            : Text(std::move(text)), Order(order), Color(color) {}
        QString Text;
        Rank Order;
        QColor Color; // invalid: the line's text colour
    };
    // What is drawn of one part: its fitted text and its colour.
    struct Piece {
        QString Text;
        QColor Color;
    };

    explicit StatusLine(QWidget* parent = nullptr);

    void SetParts(std::vector<Part> parts);
    // Every part in rank order, joined by the separator: what the tooltip says.
    QString FullText() const;
    // What is drawn at the line's present width.
    QString ShownText() const;

    // The parts (in rank order, the first of each rank first) as they fit `width` pixels in
    // `metrics`' font.
    static std::vector<Piece> Fit(const std::vector<Part>& parts, int width, const QFontMetrics& metrics);
    static const QString& Separator();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<Piece> Pieces() const;

    std::vector<Part> parts_;
};

} // namespace k7::cli
