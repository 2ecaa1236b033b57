#include "FormTerminal.h"

#include "FormLoader.h"
#include "StaleFrame.h"

#include "core/Clock_p.h"
#include "frame/control/ControlBase.h"
#include "frame/control/Description.h"
#include "frame/control/ServiceControl.h"
#include "frame/requests/RequestOutcome.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace k7::cli {

namespace {

// The smallest period a form may ask for: below it a slow service is asked again before it could
// answer, and a terminal of many controls does nothing but refresh.
constexpr double kShortestPeriodSeconds = 0.5;

int PeriodOf(const ControlBase& control, int defaultMs) {
    const QVariant seconds = control.property("k7RefreshSeconds");
    if (!seconds.isValid())
        return defaultMs;
    bool ok = false;
    const double value = seconds.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < kShortestPeriodSeconds)
        throw std::runtime_error(QStringLiteral("%1: k7RefreshSeconds '%2' is no period of %3 s or more")
                                     .arg(control.objectName(), seconds.toString())
                                     .arg(kShortestPeriodSeconds)
                                     .toStdString());
    return static_cast<int>(std::lround(value * 1000));
}

} // namespace

FormTerminal::FormTerminal(const QString& formPath, const Settings& settings, QWidget* parent)
    : QWidget(parent), schedule_(settings.Reopen, settings.Random),
      longReadLeastMs_(settings.LongReadLeastMs) {
    FormLoader loader;
    form_ = loader.Load(formPath, this);
    loadNotes_ = loader.Notes();
    setWindowTitle(form_->windowTitle().isEmpty() ? QStringLiteral("Orvel K7 terminal")
                                                  : form_->windowTitle());
    // The form's own palette, when it has one, wins for its widgets; this one is what the status
    // line and a form without colours get.
    setAutoFillBackground(true);
    QPalette colors = palette();
    colors.setColor(QPalette::Window, QColor(32, 36, 40));
    colors.setColor(QPalette::WindowText, QColor(230, 230, 230));
    setPalette(colors);
    resize(form_->size());
    form_->move(0, 0);

    for (ControlBase* control : form_->findChildren<ControlBase*>()) {
        FormDefaults::FillConnection(*control, settings.Connection);
        if (const QString rule = FormDefaults::WindowRule(*control); !rule.isEmpty()) {
            FormDefaults::ApplyWindow(*control, rule, Clock::Now(), written_[control]);
            windows_[control] = rule;
        }
        if (auto* service = qobject_cast<ServiceControl*>(control))
            service->SetRequestMode(RequestMode::NonBlocking);
        periods_[control] = PeriodOf(*control, settings.DefaultPeriodMs);
        schedule_.Add(*control, periods_[control]);
        frames_[control] = new StaleFrame(*control);
        // Connected after the schedule's own: the marks are recorded, then the figures held, in the
        // turn the read settled in.
        QObject::connect(
            control, &ControlBase::ReadSettled, this,
            [this, control](const RequestOutcome& outcome) { hold_.Settled(*control, outcome); });
    }
    // A control whose window moved with the clock is rebuilt: the table's periods are its grid.
    schedule_.SetBeforeTimedRefresh([this](ControlBase& control) {
        const auto window = windows_.find(&control);
        return window != windows_.end() &&
               FormDefaults::ApplyWindow(control, window->second, Clock::Now(), written_[&control]);
    });

    status_ = new StatusLine(this);
    status_->setObjectName(QStringLiteral("k7Status"));
    status_->setGeometry(0, height() - kStatusHeight, width(), kStatusHeight);
    QObject::connect(&schedule_, &ControlSchedule::Changed, this, [this] { ShowMarks(); });
    // The ages on the badges grow while nothing else happens.
    ageTicker_ = new QTimer(this);
    ageTicker_->setInterval(1000);
    QObject::connect(ageTicker_, &QTimer::timeout, this, [this] { ShowMarks(); });
    ShowMarks();
}

FormTerminal::~FormTerminal() = default;

void FormTerminal::Open() {
    schedule_.Open();
    ageTicker_->start();
    ShowMarks();
}

void FormTerminal::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (status_ != nullptr)
        status_->setGeometry(0, height() - kStatusHeight, width(), kStatusHeight);
}

int FormTerminal::PeriodMs(const ControlBase& control) const {
    const auto found = periods_.find(&control);
    return found != periods_.end() ? found->second : 0;
}

QString FormTerminal::MarkText(const ControlBase& control) const {
    const auto found = frames_.find(&control);
    return found != frames_.end() ? found->second->Text() : QString();
}

QString FormTerminal::WaitAt(const ControlBase& control, const QDateTime& now) const {
    return control.ReadInFlight()
               ? StaleMarks::WaitText(control.ReadSentAt(), PeriodMs(control), now, longReadLeastMs_)
               : QString();
}

QString FormTerminal::MarkAt(const ControlBase& control, const QDateTime& now) const {
    const StaleMarks& stale = schedule_.Marks();
    QString age = stale.AgeText(control.objectName(), now);
    // Before its first reply a control shows its design (a chart's one placeholder bar, empty
    // cells), which is no figure of the plant: marked as such until figures come.
    if (age.isEmpty() && control.ReadInFlight() && !stale.LastGood(control.objectName()))
        age = QStringLiteral("no figures yet");
    QStringList marks;
    marks << age << WaitAt(control, now);
    marks.removeAll(QString());
    return marks.join(QStringLiteral(", "));
}

void FormTerminal::DescribeShown(const ControlBase& control, Description out) const {
    const std::optional<QDateTime> held = hold_.HeldSince(control);
    const StaleMarks& marks = schedule_.Marks();
    const bool failed = marks.Marked(control.objectName()) && !marks.LastGood(control.objectName());
    out.Field(QStringLiteral("shown"), Variant(held     ? QStringLiteral("held")
                                               : failed ? QStringLiteral("no figures yet")
                                                        : QStringLiteral("current")))
        .Field(QStringLiteral("heldSince"), held ? Variant(held->toString(Qt::ISODate)) : Variant::Null())
        .Field(QStringLiteral("mark"), Variant(MarkText(control)));
}

void FormTerminal::ShowMarks() {
    const QDateTime now = QDateTime::currentDateTime();
    for (auto& [control, frame] : frames_)
        frame->SetText(MarkAt(*control, now));
    status_->setGeometry(0, height() - kStatusHeight, width(), kStatusHeight);
    status_->SetParts(StatusParts(now));
    status_->raise();
}

QString FormTerminal::StatusText() const {
    return status_->FullText();
}

std::vector<StatusLine::Part> FormTerminal::StatusParts(const QDateTime& now) const {
    using Rank = StatusLine::Rank;
    // Amber as the frames around stale controls; red for what needs someone now.
    const QColor amber(255, 140, 0), red(255, 90, 70);
    std::vector<StatusLine::Part> parts;

    const QString writes = schedule_.Writes().Summary();
    if (!writes.isEmpty())
        parts.push_back({writes, Rank::Writes, amber});
    else
        parts.push_back({QStringLiteral("writes: none unconfirmed"), Rank::Other});
    // A journal that is off or failing is said beside the writes: nothing pressed is kept then.
    if (const QString journal = schedule_.Writes().JournalState(); !journal.isEmpty())
        parts.push_back({journal, Rank::Writes, schedule_.Writes().JournalFailure().isEmpty() ? amber : red});

    const StaleMarks& marks = schedule_.Marks();
    const std::optional<bool> reachable = marks.ServiceReachable();
    QString service = !reachable   ? QStringLiteral("service: no reply yet")
                      : *reachable ? QStringLiteral("service reachable")
                                   : QStringLiteral("service NOT reachable");
    // While controls are being opened again the operator learns when the terminal tries next.
    if (const auto due = schedule_.Reopens().NextDue())
        service += QStringLiteral(", next attempt in %1 s")
                       .arg(std::max<qint64>(0, (now.msecsTo(*due) + 999) / 1000));
    parts.push_back({service, Rank::Service, reachable.value_or(true) ? QColor() : red});

    for (const QString& name : marks.MarkedControls()) {
        const auto good = marks.LastGood(name);
        QString text =
            good ? QStringLiteral("%1 last good %2").arg(name, good->toString(QStringLiteral("HH:mm:ss")))
                 : QStringLiteral("%1 no figures yet").arg(name);
        if (const QString reason = marks.Reason(name); !reason.isEmpty())
            text += QStringLiteral(" (%1)").arg(reason);
        parts.push_back({text, Rank::Controls, amber});
    }
    int waiting = 0;
    for (const ControlBase* control : Controls())
        waiting += WaitAt(*control, now).isEmpty() ? 0 : 1;
    if (waiting > 0)
        parts.push_back({QStringLiteral("%1 read%2 waiting")
                             .arg(waiting)
                             .arg(waiting == 1 ? QString() : QStringLiteral("s")),
                         Rank::Controls, amber});
    if (!schedule_.LastFailure().isEmpty())
        parts.push_back({schedule_.LastFailure(), Rank::Other});
    return parts;
}

} // namespace k7::cli
