#pragma once

#include <QObject>
#include <QPixmap>

#include <memory>

namespace k7 {

class ControlBase;
struct ControlRegistration;

// What a control shows on a form Qt Designer edits: the sample plant's recorded figures
// (SampleRequest), laid out at the size the form gives it and again after every resize, so that
// an integrator judges legibility while placing it. A preview changes no property the form saves:
// it sets the properties the demo terminal gives the control (the sample's address, a process,
// dates), refreshes, and writes every property back as it was. The control keeps the sample as
// its request object for the rest of the session, so nothing on a form ever reaches a plant.
class DesignPreview : public QObject {
public:
    // Previews `control` once the form editor has set the form's properties (at the next turn of
    // the event loop), and after every resize. The preview lives as long as the control.
    static void Attach(ControlBase& control, const ControlRegistration& registration);

    // The control of `registration` at its design size, previewed at once, as a picture of
    // `side` x `side` pixels (the widget box's icon).
    static QPixmap Picture(const ControlRegistration& registration, int side);

    ~DesignPreview() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class PropertySnapshot;

    DesignPreview(ControlBase& control, const ControlRegistration& registration);
    void Schedule();
    void Run();

    ControlBase& control_;
    const ControlRegistration& registration_;
    // The form's properties from before a resize, while a preview is due.
    std::unique_ptr<PropertySnapshot> form_;
    bool scheduled_ = false;
    bool running_ = false;
    bool previewed_ = false;
};

} // namespace k7
