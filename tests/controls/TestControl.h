#pragma once

#include "controls/frame/ControlBase.h"

#include <functional>

// A control with one property of each kind the frame handles, for the frame's own rules.
class TestControl : public k7::ControlBase {
    Q_OBJECT
public:
    explicit TestControl(QWidget* parent = nullptr) : ControlBase(parent) { SetDesignExtent(3000, 1500); }

    static const k7::PropertyTable& Table() {
        using k7::Variant;
        using k7::WriteForm;
        static const k7::PropertyTable table = [] {
            k7::PropertyTable properties;
            properties.Add("APIHost", &TestControl::apiHost_, WriteForm::Notifying)
                .Add("Company", &TestControl::company_, WriteForm::Plain)
                .Add("Session", &TestControl::session_, WriteForm::Plain)
                .Add("Process", &TestControl::process_, WriteForm::Notifying)
                .Add("BarNum", &TestControl::barNum_, WriteForm::Notifying, Variant(int16_t(30)))
                .Add("Ratio", &TestControl::ratio_, WriteForm::Plain, Variant(int16_t(8)))
                .Add("Planned", &TestControl::planned_, WriteForm::Notifying, Variant(uint8_t(0)))
                .Add("Accumulated", &TestControl::accumulated_, WriteForm::Notifying, Variant(false))
                .Add("Bars", &TestControl::bars_, WriteForm::Plain, Variant(int32_t(20)),
                     k7::Persistence::NotPersisted);
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

protected:
    void RefreshSequence(bool pBolOpened) override { Sequence(pBolOpened); }
    void Resized() override { ++Resizes; }

private:
    int16_t barNum_ = 0;
    float ratio_ = 0;
    uint8_t planned_ = 0;
    bool accumulated_ = false;
    int32_t bars_ = 0;
};
