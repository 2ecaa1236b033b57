#include "DesignPreview.h"

#include "SampleReplies.h"

#include "controls/ControlCatalog.h"
#include "controls/pathcontrol/PathControl.h"
#include "frame/ControlBase.h"
#include "frame/PropertyBag.h"
#include "frame/ServiceControl.h"

#include <QEvent>
#include <QPainter>

namespace k7 {

namespace {

// The windows the recording covers, for a control whose form leaves its dates to the terminal.
struct SampleDates {
    const char* Control;
    const char* Start;
    const char* End;
};
const SampleDates kSampleDates[] = {
    {"OEETracker", "20261207110334", nullptr},
    {"ProductionPeriodTable", "20261207060000", "20261207140000"},
    {"PathControl", "20261206230000", "20261207110000"},
};

void FillEmpty(ControlBase& control, const QString& name, const QString& value) {
    if (control.Properties().Find(name) != nullptr && control.Value(name).ToText().isEmpty())
        control.Assign(name, Variant(value));
}

// What a terminal would fill in: the connection to the sample, process P100, the recorded window.
void Connect(ControlBase& twin, const QString& kind) {
    FillEmpty(twin, QStringLiteral("Company"), QStringLiteral("ORV"));
    FillEmpty(twin, QStringLiteral("Session"), QStringLiteral("DEMO"));
    FillEmpty(twin, QStringLiteral("Process"), QStringLiteral("P100"));
    FillEmpty(twin, QStringLiteral("Area"), QStringLiteral("Assembly"));
    const QDate today = QDate::currentDate();
    for (const SampleDates& dates : kSampleDates) {
        if (kind != QLatin1String(dates.Control) || !twin.Value(QStringLiteral("StartDate")).ToText().isEmpty())
            continue;
        twin.Assign(QStringLiteral("StartDate"), Variant(SampleReplies::Moved(QString::fromLatin1(dates.Start), today)));
        if (dates.End != nullptr)
            twin.Assign(QStringLiteral("EndDate"), Variant(SampleReplies::Moved(QString::fromLatin1(dates.End), today)));
    }
    if (auto* service = qobject_cast<ServiceControl*>(&twin)) {
        service->SetRequestFactory([](bool) { return SampleReplies::NewRequest(); });
        // Any address: the sample's requests never leave the process.
        service->Assign(QStringLiteral("APIHost"), Variant(QStringLiteral("http://sample.invalid/")));
    } else if (auto* path = qobject_cast<PathControl*>(&twin)) {
        path->SetRequestObject(SampleReplies::NewRequest());
        path->Assign(QStringLiteral("URL"), Variant(QStringLiteral("http://sample.invalid/drawing/path")));
    }
}

} // namespace

DesignPreview::DesignPreview(ControlBase& control, const ControlRegistration& registration)
    : QWidget(&control), control_(&control), registration_(registration) {
    setObjectName(QStringLiteral("k7DesignPreview"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    control.installEventFilter(this);
    // Several resizes in a row (a drag in Designer) make one picture.
    pending_.setSingleShot(true);
    pending_.setInterval(50);
    QObject::connect(&pending_, &QTimer::timeout, this, [this] { Update(); });
    // Designer's property editor writes through the setters, which tell nobody: the properties are
    // compared once a second.
    watch_.setInterval(1000);
    QObject::connect(&watch_, &QTimer::timeout, this, [this] {
        if (Fingerprint() != fingerprint_)
            Update();
    });
    watch_.start();
    pending_.start();
}

QPixmap DesignPreview::Render(const ControlRegistration& registration, const ControlBase* properties, QSize size) {
    std::unique_ptr<ControlBase> twin = registration.Create(nullptr);
    if (properties != nullptr) {
        PropertyBag bag;
        properties->WriteProperties(bag);
        twin->ReadProperties(bag);
    }
    QPixmap picture;
    // A sample that does not fit the form's settings shows the control as it stands.
    ControlBase::Trap([&] {
        Connect(*twin, registration.Name);
        twin->setAttribute(Qt::WA_DontShowOnScreen);
        twin->resize(size);
        twin->show();
        twin->Refresh(false);
        if (auto* path = qobject_cast<PathControl*>(twin.get()))
            path->Processing(); // the reply is in: draw it now instead of at the next poll
    });
    picture = twin->grab();
    return picture;
}

void DesignPreview::Update() {
    if (!control_)
        return;
    fingerprint_ = Fingerprint();
    setGeometry(control_->rect());
    picture_ = Render(registration_, control_, control_->size());
    raise();
    show();
    update();
}

QString DesignPreview::Fingerprint() const {
    if (!control_)
        return {};
    PropertyBag bag;
    control_->WriteProperties(bag);
    QString text;
    for (const auto& [name, value] : bag.Values())
        text += name + QLatin1Char('=') + value.ToText() + QLatin1Char('\n');
    return text;
}

bool DesignPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == control_ && event->type() == QEvent::Resize)
        pending_.start();
    return QWidget::eventFilter(watched, event);
}

void DesignPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

} // namespace k7
