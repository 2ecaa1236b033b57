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
// "statuses/fai", then GET "statuses/top", and PATCH "statuses/<FAI id>".
//
// Design state: 5535 x 2565 twips; lblFai(0) (white Tahoma 12 on the highlight colour, border
// 0x404040) at 0/0 600x495; lblTxt (yellow Tahoma 12 on black, "No Downtimes Available") at 0/660
// 5535x255; btnJust(0) (Tahoma 8.25 on 0xE0E0E0) at 0/1200 735x495. All four connection
// properties are notifying and persisted in the order APIHost, Company, Session, Process. A resize
// lays the widgets out again and shows the state held, without a request.
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
    static constexpr int kFaiFields = 5;
    static constexpr int kButtons = 8;

    K7_NO_EXPORT void CellsCreation();
    K7_NO_EXPORT bool LoadData();
    K7_NO_EXPORT void ShowData();
    // ShowData under the loader trap.
    K7_NO_EXPORT void ShowDataTrapped();
    K7_NO_EXPORT void JustifyPressed(int index);

    // The control's data, out of the installed header: a later release adds to it without
    // changing the size of the class applications were built with.
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
