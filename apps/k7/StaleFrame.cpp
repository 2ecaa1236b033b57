#include "StaleFrame.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace k7::cli {

namespace {
// Amber: a warning, not an alarm; distinct from every control's own red, green and yellow figures.
const QColor kMarkColor(255, 140, 0);
const QColor kBadgeText(0, 0, 0);
} // namespace

StaleFrame::StaleFrame(QWidget& control) : QWidget(control.parentWidget()), control_(&control) {
    setObjectName(control.objectName() + QStringLiteral("StaleFrame"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    control.installEventFilter(this);
    hide();
}

void StaleFrame::SetText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    Follow();
    update();
}

bool StaleFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == control_) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            Follow();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void StaleFrame::Follow() {
    if (!control_ || text_.isEmpty() || !control_->isVisibleTo(parentWidget())) {
        hide();
        return;
    }
    const QRect framed = control_->geometry().adjusted(-kReach, -kReach, kReach, kReach);
    const QRect badge = BadgeArea(framed);
    const QRect whole = framed.united(badge);
    setGeometry(whole);
    badge_ = badge.translated(-whole.topLeft());
    framed_ = framed.translated(-whole.topLeft());
    show();
    raise();
}

QFont StaleFrame::BadgeFont() const {
    QFont badgeFont = font();
    badgeFont.setPixelSize(11);
    badgeFont.setBold(true);
    return badgeFont;
}

QRect StaleFrame::BadgeArea(const QRect& framed) const {
    const QFontMetrics metrics(BadgeFont());
    const int padding = 4;
    const QSize size(metrics.horizontalAdvance(text_) + 2 * padding, metrics.height() + 2);
    // On the frame's top edge, outside the control: the badge's foot is the frame's top band.
    const int band = kReach - 1;
    const QRect outside(QPoint(framed.right() - size.width() + 1, framed.top() + band - size.height()), size);
    if (RoomFor(outside))
        return outside;
    return QRect(QPoint(framed.right() - band - size.width() + 1, framed.top() + band), size);
}

bool StaleFrame::RoomFor(const QRect& area) const {
    const QWidget* parent = parentWidget();
    if (!parent || !parent->rect().contains(area))
        return false;
    for (const QObject* child : parent->children()) {
        const auto* sibling = qobject_cast<const QWidget*>(child);
        // Other marks are drawn over whatever they need; only real widgets take room.
        if (!sibling || sibling == this || dynamic_cast<const StaleFrame*>(sibling) ||
            !sibling->isVisibleTo(parent))
            continue;
        if (sibling->geometry().intersects(area))
            return false;
    }
    return true;
}

void StaleFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = framed_;
    // The frame: kReach - 1 pixels wide, all outside the control.
    const int band = kReach - 1;
    painter.fillRect(QRect(area.left(), area.top(), area.width(), band), kMarkColor);
    painter.fillRect(QRect(area.left(), area.bottom() - band + 1, area.width(), band), kMarkColor);
    painter.fillRect(QRect(area.left(), area.top(), band, area.height()), kMarkColor);
    painter.fillRect(QRect(area.right() - band + 1, area.top(), band, area.height()), kMarkColor);

    painter.setFont(BadgeFont());
    painter.fillRect(badge_, kMarkColor);
    painter.setPen(kBadgeText);
    painter.drawText(badge_, Qt::AlignCenter, text_);
}

} // namespace k7::cli
