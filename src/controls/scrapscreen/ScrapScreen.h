#pragma once

#include "frame/control/ServiceControl.h"
#include "orvelk7controls_export.h"

#include <QString>

#include <memory>

namespace k7 {

class CommandButton;

// ScrapScreen: books scrap at the process `Process` in two presses. A full-width yellow button on
// the top 30 % asks the host to open its main scrap screen (RemoteControl "[DS]"); below it a 2 x 2
// grid of buttons offers the process's top scrap causes. Pressing a cause asks the operator for a
// quantity through the host's modal prompt and posts it; a post the service answers with
// "Success" reloads the causes. Calls GET "/processes/<Process>/scrapcauses/top" and POST
// "/results". APIHost is not persisted: the host sets it on every run.
//
// Decisions where the behaviour was open:
// - More than four causes: LoadData keeps them all, ShowData shows the first four (one per cause
//   button) and leaves the others out; nothing is raised and the repaint happens.
// - Quantities outside 16 bits: the conversion raises 6 "Overflow" before anything is sent, so
//   nothing is booked and the failure text lands in Error.
// - A failed post: an error while posting (a reply that is no JSON or has no "message", the
//   overflow above, a failure while reloading) stops the press and is recorded in Error through
//   the control's handler trap, where the host shows it to the operator (the k7 terminal's status
//   line does). A reply the service judges itself (a "message" other than "Success", also the
//   REST client's transport-failure envelope) changes nothing on screen and leaves Error as it is.
// - Button presses run under the frame's handler trap (nothing reaches the event loop); the layout,
//   ShowData and RefreshBtn called by the host let their errors reach it.
class K7_EXPORT ScrapScreen : public ServiceControl {
    Q_OBJECT

public:
    explicit ScrapScreen(QWidget* parent = nullptr);
    ~ScrapScreen() override;

    static const ComponentIdentity& ClassIdentity();
    static const PropertyTable& ClassProperties();
    const ComponentIdentity& Identity() const override { return ClassIdentity(); }
    const PropertyTable& Properties() const override { return ClassProperties(); }

    // Requests the cause list and stores it for the next ShowData; true when a reply was judged.
    Q_INVOKABLE bool LoadData();
    // Puts one cause of the host's choice on the first cause button until the next ShowData.
    Q_INVOKABLE void RefreshBtn(const QString& pStrId, const QString& pStrDesc);
    // Lays out the strip and the 2 x 2 grid from the current extent (creating missing cause
    // buttons), then runs LoadData.
    Q_INVOKABLE void CellsCreation();

    CommandButton& btnAllScrap() const;
    CommandButton& btnScrap(int index) const;
    int btnScrapUBound() const;

signals:
    // Asks the host to open its main scrap screen; the message is "[DS]". A change the host makes
    // to the argument is not looked at.
    void RemoteControl(QString& pStrMessage);

protected:
    void RefreshSequence(bool pBolOpened) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
