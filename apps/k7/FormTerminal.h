#pragma once

#include "ControlSchedule.h"
#include "FigureHold.h"
#include "FormDefaults.h"
#include "ReopenSchedule.h"
#include "StatusLine.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace k7 {
class ControlBase;
class Description;
} // namespace k7

namespace k7::cli {

class StaleFrame;

// The terminal `k7 terminal SCREEN.ui` shows: a form made in Designer (FormLoader), the empty
// connection and date properties of its controls filled in (FormDefaults), every control opened
// with Refresh(False) and refreshed on its own period (ControlSchedule; 5 s, or the control's
// dynamic property "k7RefreshSeconds"), with non-blocking requests where the control has them.
//
// The host marks a control whose last read failed with a StaleFrame, and keeps a status line over
// the bottom kStatusHeight pixels of the form (a form leaves that strip free): whether the service
// answers, since when each marked control has had no good figures, and the writes nobody has
// confirmed (WriteTally).
class FormTerminal : public QWidget {
public:
    struct Settings {
        FormDefaults::Connection Connection;
        int DefaultPeriodMs = 5000;
        ReopenSchedule::Backoff Reopen = {};
        std::function<double()> Random = {};                // numbers in [0, 1) for the reopening delays
        int LongReadLeastMs = StaleMarks::kLeastLongReadMs; // a read out longer is marked "waiting"
    };
    static constexpr int kStatusHeight = 24;

    // Loads the form; throws std::runtime_error when it cannot (see FormLoader) or when a control's
    // dynamic properties are unusable (a k7Window rule or a period that is no number).
    FormTerminal(const QString& formPath, const Settings& settings, QWidget* parent = nullptr);
    ~FormTerminal() override;

    // Opens every control and starts the schedule.
    void Open();

    QWidget& Form() const { return *form_; }
    // What loading the form did that the form did not say (FormLoader::Notes).
    const QStringList& LoadNotes() const { return loadNotes_; }
    const std::vector<ControlBase*>& Controls() const { return schedule_.Controls(); }
    ControlSchedule& Schedule() { return schedule_; }
    int PeriodMs(const ControlBase& control) const;
    // The mark shown on a control ("" when none).
    QString MarkText(const ControlBase& control) const;
    // When what `control` shows is its last good figures, put back after a failed read: when the
    // read that brought them was sent.
    std::optional<QDateTime> HeldSince(const ControlBase& control) const { return hold_.HeldSince(control); }
    // What the terminal adds to a control's dump: "shown" ("current", "held" or "no figures yet"),
    // "heldSince" (ISO time, or null) and "mark" (the badge, "" when none).
    void DescribeShown(const ControlBase& control, Description out) const;
    // The whole status line, as its tooltip says it.
    QString StatusText() const;
    const StatusLine& Status() const { return *status_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowMarks();
    std::vector<StatusLine::Part> StatusParts(const QDateTime& now) const;
    // The badge of `control` at `now`: its stale mark and its long read, either or both.
    QString MarkAt(const ControlBase& control, const QDateTime& now) const;
    // "waiting 25 s" while a read of `control` has been out too long, else "".
    QString WaitAt(const ControlBase& control, const QDateTime& now) const;

    std::unique_ptr<QWidget> form_;
    QStringList loadNotes_;
    StatusLine* status_ = nullptr;
    ControlSchedule schedule_;
    std::map<const ControlBase*, int> periods_;
    std::map<const ControlBase*, StaleFrame*> frames_;
    std::map<const ControlBase*, QString> windows_;
    std::map<const ControlBase*, FormDefaults::WrittenDates> written_;
    QTimer* ageTicker_ = nullptr;
    FigureHold hold_;
    int longReadLeastMs_ = StaleMarks::kLeastLongReadMs;
};

} // namespace k7::cli
