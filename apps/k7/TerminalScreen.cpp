#include "TerminalScreen.h"

#include "controls/ControlCatalog.h"

#include "frame/ControlBase.h"
#include "frame/ServiceControl.h"
#include "frame/Twips.h"
#include "core/RuntimeError.h"

#include <QDateTime>
#include <QLabel>

#include <algorithm>
#include <stdexcept>

namespace k7::cli {

namespace {
constexpr int kTitleHeight = 28;
constexpr int kStatusHeight = 22;
constexpr int kMargin = 8;
// The property whose change needs a rebuilt grid, not just a reload: the table's Accumulated adds
// or removes its totals column.
const char* const kGridShape = "Accumulated";
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
}

ControlBase& TerminalScreen::Place(const QString& kind, float left, float top, float width, float height) {
    std::unique_ptr<ControlBase> created = ControlCatalog::Create(kind, this);
    if (!created)
        throw std::runtime_error(QStringLiteral("no control named '%1'").arg(kind).toStdString());
    ControlBase* control = created.release(); // owned by the screen from here on
    control->setObjectName(QStringLiteral("%1 %2").arg(kind).arg(controls_.size() + 1));
    if (width > 0 && height > 0)
        control->SetExtent(width, height);
    const double twipsPerPixel = control->TwipsPerPixel();
    control->move(kMargin + Twips::ToPixel(left, twipsPerPixel),
                  kTitleHeight + Twips::ToPixel(top, twipsPerPixel));
    controls_.push_back(control);
    WatchViewChanges(*control);
    if (auto* service = qobject_cast<ServiceControl*>(control))
        QObject::connect(service, &ServiceControl::WriteFinished, this, [this](const WriteOutcome& outcome) {
            writes_.Record(outcome);
            ShowStatus();
        });
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
    for (ControlBase* control : controls_)
        RefreshOne(*control, pBolOpened);
    ++refreshes_;
    ShowStatus();
}

void TerminalScreen::RefreshOne(ControlBase& control, bool pBolOpened) {
    if (!pBolOpened)
        builtShape_[&control] = control.property(kGridShape);
    try {
        control.Refresh(pBolOpened);
    } catch (const RuntimeError& error) {
        lastFailure_ = QStringLiteral("%1: %2").arg(control.Identity().ControlName, error.FailureText());
    }
}

void TerminalScreen::WatchViewChanges(ControlBase& control) {
    const int signal = control.metaObject()->indexOfSignal("PropertyChanged()");
    if (signal < 0)
        return;
    // The signal comes from inside the control's menu handler; a zero-time timer lets that return
    // before the refresh runs.
    auto* pending = new QTimer(&control);
    pending->setSingleShot(true);
    pending->setInterval(0);
    QMetaObject::connect(&control, signal, pending, QTimer::staticMetaObject.indexOfSlot("start()"));
    QObject::connect(pending, &QTimer::timeout, this, [this, &control] {
        RefreshOne(control, control.property(kGridShape) == builtShape_[&control]);
        ShowStatus();
    });
}

void TerminalScreen::ShowStatus() {
    QString text = QStringLiteral("refresh %1 at %2")
                       .arg(refreshes_)
                       .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss")));
    for (const ControlBase* control : controls_)
        if (!control->Error().isEmpty())
            text += QStringLiteral("  |  %1 %2: %3")
                        .arg(control->Identity().ControlName, control->objectName(), control->Error());
    if (!lastFailure_.isEmpty())
        text += QStringLiteral("  |  ") + lastFailure_;
    if (const QString writes = writes_.Summary(); !writes.isEmpty())
        text += QStringLiteral("  |  ") + writes;
    status_->setText(text);
}

} // namespace k7::cli
