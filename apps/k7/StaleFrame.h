#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace k7::cli {

// The host's mark on a control whose figures are stale: a thin coloured frame just outside the
// control and a small badge saying how old the figures are ("stale 2 min"). The badge sits on the
// frame's top edge, outside the control, where the parent has room that no other widget takes, so
// it hides none of the figures it marks; only where there is no such room does it go inside the
// control's top right corner. It is a sibling of the control, above it, and lets every mouse event
// through, so it never changes what the control draws or how it is used. It follows the control's
// geometry and visibility; an empty text hides it.
class StaleFrame : public QWidget {
public:
    explicit StaleFrame(QWidget& control);

    void SetText(const QString& text);
    const QString& Text() const { return text_; }
    // How far the frame reaches beyond the control on each side, in pixels.
    static constexpr int kReach = 3;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Follow();
    QFont BadgeFont() const;
    // Where the badge goes, in the parent's coordinates, for a frame around `framed`.
    QRect BadgeArea(const QRect& framed) const;
    bool RoomFor(const QRect& area) const;

    QPointer<QWidget> control_;
    QString text_;
    // In this widget's coordinates, which span the frame and the badge.
    QRect framed_;
    QRect badge_;
};

} // namespace k7::cli
