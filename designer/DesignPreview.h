#pragma once

#include <QPixmap>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace k7 {

class ControlBase;
struct ControlRegistration;

// What a control on a form in Qt Designer shows: its figures as they would look against a plant.
// A twin of the control, made by the catalog, takes the control's own properties, fills what a
// form leaves to the terminal (the connection, the dates) and refreshes from SampleReplies; its
// picture is drawn over the control by this widget. The control itself is never written to, so
// the form saves exactly what the integrator set. The picture follows the control's size and,
// within a second, every property change made in Designer's property editor. Mouse events pass
// through to the control, so Designer selects, moves and resizes it as before.
class DesignPreview : public QWidget {
public:
    DesignPreview(ControlBase& control, const ControlRegistration& registration);

    // The sample picture of a control of `registration` at `size` pixels, with the properties of
    // `properties` (nullptr: a new control's).
    static QPixmap Render(const ControlRegistration& registration, const ControlBase* properties, QSize size);

    const QPixmap& Picture() const { return picture_; }
    // Draws the picture again now, from the control as it stands.
    void Update();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString Fingerprint() const;

    QPointer<ControlBase> control_;
    const ControlRegistration& registration_;
    QPixmap picture_;
    QString fingerprint_;
    QTimer pending_;
    QTimer watch_;
};

} // namespace k7
