#include "TerminalScreen.h"

#include "controls/ControlCatalog.h"

#include "frame/control/ControlBase.h"
#include "frame/drawing/Twips.h"

#include <QDateTime>
#include <QLabel>

#include <algorithm>
#include <stdexcept>

namespace k7::cli {

namespace {
constexpr int kTitleHeight = 28;
constexpr int kStatusHeight = 22;
constexpr int kMargin = 8;
} // namespace

TerminalScreen::TerminalScreen(const QString& title, QWidget* parent) : QWidget(parent) {
    setWindowTitle(title);
    setAutoFillBackground(true);
    QPalette colors = palette();
    colors.setColor(QPalette::Window, QColor(32, 36, 40));
    colors.setColor(QPalette::WindowText, QColor(230, 230, 230));
    setPalette(colors);

    title_ = new QLabel(title, this);
    QFont titleFont = title_->font();
    titleFont.setBold(true);
    title_->setFont(titleFont);
    title_->setGeometry(kMargin, 4, 10, kTitleHeight - 8);
    status_ = new QLabel(this);
    refreshTimer_.setSingleShot(false);
    QObject::connect(&refreshTimer_, &QTimer::timeout, this, [this] { RefreshAll(true); });
    QObject::connect(&schedule_, &ControlSchedule::Changed, this, [this] { ShowStatus(); });
}

ControlBase& TerminalScreen::Place(const QString& kind, float left, float top, float width, float height) {
    std::unique_ptr<ControlBase> created = ControlCatalog::Create(kind, this);
    if (!created)
        throw std::runtime_error(QStringLiteral("no control named '%1'").arg(kind).toStdString());
    ControlBase* control = created.release(); // owned by the screen from here on
    control->setObjectName(QStringLiteral("%1 %2").arg(kind).arg(schedule_.Controls().size() + 1));
    if (width > 0 && height > 0)
        control->SetExtent(width, height);
    const double twipsPerPixel = control->TwipsPerPixel();
    control->move(kMargin + Twips::ToPixel(left, twipsPerPixel),
                  kTitleHeight + Twips::ToPixel(top, twipsPerPixel));
    schedule_.Add(*control);
    FitToContents();
    return *control;
}

void TerminalScreen::AddCaption(const QString& text, float left, float top, float width, float height) {
    auto* caption = new QLabel(text, this);
    const double twipsPerPixel = Twips::PerPixel(*this);
    const QRect area = Twips::ToPixelRect(left, top, width, height, twipsPerPixel);
    caption->setGeometry(area.translated(kMargin, kTitleHeight));
    caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FitToContents();
}

void TerminalScreen::FitToContents() {
    int right = 320, bottom = kTitleHeight;
    for (const QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child == title_ || child == status_)
            continue;
        right = std::max(right, child->geometry().right());
        bottom = std::max(bottom, child->geometry().bottom());
    }
    resize(right + kMargin, bottom + kMargin + kStatusHeight);
    title_->setFixedWidth(right - kMargin);
    status_->setGeometry(kMargin, bottom + kMargin, right - kMargin, kStatusHeight - 4);
}

void TerminalScreen::Open(int intervalMs) {
    RefreshAll(false);
    if (intervalMs > 0)
        refreshTimer_.start(intervalMs);
}

void TerminalScreen::RefreshAll(bool pBolOpened) {
    ++refreshes_; // counted first: the status line the schedule's refresh updates shows it
    schedule_.RefreshAll(pBolOpened);
}

void TerminalScreen::ShowStatus() {
    QString text = QStringLiteral("refresh %1 at %2")
                       .arg(refreshes_)
                       .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss")));
    for (const ControlBase* control : schedule_.Controls())
        if (!control->Error().isEmpty())
            text += QStringLiteral("  |  %1 %2: %3")
                        .arg(control->Identity().ControlName, control->objectName(), control->Error());
    if (!schedule_.LastFailure().isEmpty())
        text += QStringLiteral("  |  ") + schedule_.LastFailure();
    if (const QString writes = schedule_.Writes().Summary(); !writes.isEmpty())
        text += QStringLiteral("  |  ") + writes;
    status_->setText(text);
}

} // namespace k7::cli
