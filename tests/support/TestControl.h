#pragma once

#include "core/RuntimeError.h"
#include "frame/control/ControlHost.h"
#include "frame/control/ServiceControl.h"
#include "frame/properties/PropertyDeclarations_p.h"

#include <functional>
#include <memory>

// One property of each kind the frame handles, declared the way the controls declare theirs.
#define TESTCONTROL_PROPERTIES(HELD, FONT)                                                                   \
    HELD(int, BarNum, int16_t, 30, Notifying, ReadWrite, Persisted)                                          \
    HELD(double, Ratio, float, 8, Plain, ReadWrite, Persisted)                                               \
    HELD(int, Planned, uint8_t, 0, Notifying, ReadWrite, Persisted)                                          \
    HELD(bool, Accumulated, bool, false, Notifying, ReadWrite, Persisted)                                    \
    HELD(int, Bars, int32_t, 20, Plain, ReadWrite, NotPersisted)                                             \
    HELD(uint32_t, Tint, uint32_t, 0xFFFFFF, Notifying, ReadWrite, Persisted)                                \
    HELD(QString, Captions, QString, "A|B", Notifying, WriteOnly, Persisted)                                 \
    HELD(QString, Stamp, QString, "", Plain, ReadOnly, NotPersisted)                                         \
    FONT(QString, Bold, Bold, QString, "False")

namespace test_control {
K7_PROPERTY_KEYS(TESTCONTROL_PROPERTIES)
}

// A control with one property of each kind the frame handles, for the frame's own rules.
class TestControl : public k7::ServiceControl {
    Q_OBJECT
public:
    explicit TestControl(QWidget* parent = nullptr) : ServiceControl(parent), d(std::make_unique<Private>()) {
        SetDesignExtent(3000, 1500);
    }

    static const k7::PropertyTable& Table() {
        static const k7::PropertyTable table = [] {
            using namespace test_control;
            k7::PropertyTable properties;
            AddConnectionProperties(properties,
                                    {.APIHost = k7::WriteForm::Notifying, .Others = k7::WriteForm::Plain});
            K7_ADD_PROPERTY_ROWS(TestControl, TESTCONTROL_PROPERTIES, properties);
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
    struct Private {
        K7_HELD_VALUES(TESTCONTROL_PROPERTIES)
    };
    std::unique_ptr<Private> d;
};
