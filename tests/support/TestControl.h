#pragma once

#include "core/RuntimeError.h"
#include "frame/ControlHost.h"
#include "frame/ServiceControl.h"

#include <functional>

// A control with one property of each kind the frame handles, for the frame's own rules.
class TestControl : public k7::ServiceControl {
    Q_OBJECT
public:
    explicit TestControl(QWidget* parent = nullptr) : ServiceControl(parent) { SetDesignExtent(3000, 1500); }

    static const k7::PropertyTable& Table() {
        using k7::Variant;
        using k7::WriteForm;
        static const k7::PropertyTable table = [] {
            k7::PropertyTable properties;
            AddConnectionProperties(properties,
                                    {.APIHost = WriteForm::Notifying, .Others = WriteForm::Plain});
            properties
                .Add(k7::PropertyKey("BarNum"), &TestControl::barNum_, WriteForm::Notifying,
                     Variant(int16_t(30)))
                .Add(k7::PropertyKey("Ratio"), &TestControl::ratio_, WriteForm::Plain, Variant(int16_t(8)))
                .Add(k7::PropertyKey("Planned"), &TestControl::planned_, WriteForm::Notifying,
                     Variant(uint8_t(0)))
                .Add(k7::PropertyKey("Accumulated"), &TestControl::accumulated_, WriteForm::Notifying,
                     Variant(false))
                .Add(k7::PropertyKey("Bars"), &TestControl::bars_, WriteForm::Plain, Variant(int32_t(20)),
                     k7::Persistence::NotPersisted)
                .Add(k7::PropertyKey("Tint"), &TestControl::tint_, WriteForm::Notifying,
                     Variant(int32_t(0xFFFFFF)))
                .Add(k7::PropertyKey("Captions"), &TestControl::captions_, WriteForm::Notifying,
                     Variant("A|B"))
                .WriteOnly()
                .Add(k7::PropertyKey("Bold"), &TestControl::bold_, WriteForm::Plain, Variant("False"))
                .WriteStep(&TestControl::WriteBold)
                .Add(k7::PropertyKey("Stamp"), &TestControl::stamp_, WriteForm::Plain, Variant(""),
                     k7::Persistence::NotPersisted)
                .ReadOnly();
            return properties;
        }();
        return table;
    }

    const k7::ComponentIdentity& Identity() const override {
        static const k7::ComponentIdentity identity{"TestControl",   "{0}", "_TestControl",    "{1}",
                                                    "__TestControl", "{2}", "RemoteControl()", {}};
        return identity;
    }
    const k7::PropertyTable& Properties() const override { return Table(); }

    std::function<void(bool)> Sequence = [](bool) {};
    int Resizes = 0;

    using ControlBase::SetError;
    using ControlBase::SetHandlerFailures;
    using ServiceControl::ConnectionQuery;
    using ServiceControl::RunServiceLoader;
    using ServiceControl::SessionQuery;

protected:
    void RefreshSequence(bool pBolOpened) override { Sequence(pBolOpened); }
    void Resized() override { ++Resizes; }

private:
    // A flag held as "True"/"False" text: compared after conversion, reset to "False" without a
    // word when the text is no Boolean, as the table's font flags behave.
    void WriteBold(const k7::Variant& value) {
        try {
            const QString text = value.ToBoolean() ? "True" : "False";
            if (text != bold_ && Host().CanPropertyChange("Bold")) {
                bold_ = text;
                Host().PropertyChanged("Bold");
            }
        } catch (const k7::RuntimeError&) {
            bold_ = "False";
        }
    }

    int16_t barNum_ = 0;
    float ratio_ = 0;
    uint8_t planned_ = 0;
    bool accumulated_ = false;
    int32_t bars_ = 0;
    uint32_t tint_ = 0;
    QString captions_;
    QString bold_ = "False";
    QString stamp_ = "never";
};
