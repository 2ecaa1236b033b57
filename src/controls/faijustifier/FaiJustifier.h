#pragma once

#include "frame/control/ServiceControl.h"
#include "orvelk7controls_export.h"

#include <memory>

namespace k7 {

class CommandButton;
class Label;

// FaiJustifier: whether a first-article inspection (FAI) is pending on the process `Process`, and
// the way to justify the stop. With an FAI pending it shows one row of five labels (kind,
// "PENDING", start and end time, duration in seconds), "Please Enter Downtime Reason", and one
// button per open downtime; pressing one sends the justification with that downtime's id and, when
// the service answers "Success", reloads. Without one it shows "No Downtimes Available". Calls GET
// "statuses/fai", then GET "statuses/top", and PATCH "statuses/<FAI id>". A resize lays the
// widgets out again and shows the state held, without a request.
//
// Decisions where the behaviour was open:
// - More than eight downtimes: LoadData keeps every id, ShowData shows the first eight, one per
//   button; the rest are not offered.
// - Buttons beyond the current downtime count are hidden in the FAI-pending state too, so a button
//   of an earlier list never sends an id the service no longer lists.
// - Failures: a press runs under the frame's handler trap, so a justification reply that is no JSON
//   or has no "message", and any failure of the reload, is recorded in Error; ShowData runs under
//   the loader trap wherever it is called (Refresh, a press, a resize), so its failures are recorded
//   in Error as well. Only the layout (CellsCreation) lets its errors reach the host's Refresh.
class K7_EXPORT FaiJustifier : public ServiceControl {
    Q_OBJECT

public:
    explicit FaiJustifier(QWidget* parent = nullptr);
    ~FaiJustifier() override;

    static const ComponentIdentity& ClassIdentity();
    static const PropertyTable& ClassProperties();
    const ComponentIdentity& Identity() const override { return ClassIdentity(); }
    const PropertyTable& Properties() const override { return ClassProperties(); }

    Label& lblFai(int index) const;
    Label& lblTxt() const;
    CommandButton& btnJust(int index) const;
    int btnJustUBound() const;

signals:
    // Declared by the control's event interface; FaiJustifier never raises it.
    void RemoteControl();

protected:
    void RefreshSequence(bool pBolOpened) override;
    void Resized() override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
