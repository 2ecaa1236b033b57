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
    setGeometry(control_->geometry().adjusted(-kReach, -kReach, kReach, kReach));
    show();
    raise();
}

void StaleFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect();
    // The frame: kReach - 1 pixels wide, all outside the control.
    const int band = kReach - 1;
    painter.fillRect(QRect(area.left(), area.top(), area.width(), band), kMarkColor);
    painter.fillRect(QRect(area.left(), area.bottom() - band + 1, area.width(), band), kMarkColor);
    painter.fillRect(QRect(area.left(), area.top(), band, area.height()), kMarkColor);
    painter.fillRect(QRect(area.right() - band + 1, area.top(), band, area.height()), kMarkColor);

    QFont font = painter.font();
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int padding = 4;
    const QSize badge(metrics.horizontalAdvance(text_) + 2 * padding, metrics.height() + 2);
    const QRect badgeArea(area.right() - band - badge.width() + 1, area.top() + band, badge.width(), badge.height());
    painter.fillRect(badgeArea, kMarkColor);
    painter.setPen(kBadgeText);
    painter.drawText(badgeArea, Qt::AlignCenter, text_);
}

} // namespace k7::cli
