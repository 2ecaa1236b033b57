#pragma once

#include "frame/control/ServiceControl.h"
#include "orvelk7controls_export.h"

#include <memory>

namespace k7 {

class Label;

// ProdCode: which product (tool or part) the process `Process` is making now. A caption label
// "Tool / Part" on the left and a boxed label with the product code, or "No Data", beside it. No
// timer and no input: the host reloads it through Refresh. Calls GET "/processes/prod".
//
class K7_EXPORT ProdCode : public ServiceControl {
    Q_OBJECT
    // Point size Createlabels gives both labels (8); a write takes effect at the next Createlabels.
    Q_PROPERTY(double FontSize READ FontSize WRITE setFontSize NOTIFY FontSizeChanged)

public:
    explicit ProdCode(QWidget* parent = nullptr);
    ~ProdCode() override;

    double FontSize() const;
    void setFontSize(double value);

    static const ComponentIdentity& ClassIdentity();
    static const PropertyTable& ClassProperties();
    const ComponentIdentity& Identity() const override { return ClassIdentity(); }
    const PropertyTable& Properties() const override { return ClassProperties(); }

    // Shows the process's current product code; true when a reply was judged.
    Q_INVOKABLE bool RefreshProd();
    // Lays out and captions the two labels from the control's current extent; loads nothing.
    Q_INVOKABLE void Createlabels();

    Label& lblTxt() const;
    Label& lblCode() const;

signals:
    // The property of that name changed value (a write through Assign, its setter or the
    // meta-object); never for a write of the value it already has.
    void FontSizeChanged();
    // Declared by the control's event interface; ProdCode never raises it.
    void RemoteControl();

protected:
    void RefreshSequence(bool pBolOpened) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
