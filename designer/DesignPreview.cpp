#include "DesignPreview.h"

#include "SampleReplies.h"
#include "SampleRequest.h"

#include "controls/ControlCatalog.h"
#include "controls/pathcontrol/PathControl.h"
#include "demo/DemoPlacement.h"
#include "frame/control/ControlBase.h"
#include "frame/control/ServiceControl.h"
#include "frame/properties/PropertyBag.h"
#include "frame/properties/PropertyTable.h"

#include <QEvent>
#include <QTimer>

#include <memory>
#include <utility>
#include <vector>

namespace k7 {

namespace {

// The process the sample plant shows on every preview.
const QString kSampleProcess = QStringLiteral("P100");

} // namespace

// Every property a host can write, as it stands: the persisted ones as a saved form holds them,
// the others (an APIHost some controls never save) by value.
class DesignPreview::PropertySnapshot {
public:
    explicit PropertySnapshot(const ControlBase& control) {
        control.WriteProperties(persisted_);
        for (const PropertyDefinition& property : control.Properties().Definitions())
            if (!property.Persisted && property.Access != PropertyAccess::ReadOnly)
                others_.emplace_back(property.Name, control.Value(property.Name));
    }

    void Restore(ControlBase& control) const {
        control.ReadProperties(persisted_);
        for (const auto& [name, value] : others_)
            if (!(control.Value(name) == value))
                control.Assign(name, value);
    }

private:
    PropertyBag persisted_;
    std::vector<std::pair<QString, Variant>> others_;
};

DesignPreview::~DesignPreview() = default;

DesignPreview::DesignPreview(ControlBase& control, const ControlRegistration& registration)
    : QObject(&control), control_(control), registration_(registration) {
    if (auto* service = qobject_cast<ServiceControl*>(&control))
        service->SetRequestFactory([](bool) { return std::make_unique<SampleRequest>(); });
    else if (auto* path = qobject_cast<PathControl*>(&control))
        path->SetRequestObject(std::make_unique<SampleRequest>());
    control.installEventFilter(this);
}

void DesignPreview::Attach(ControlBase& control, const ControlRegistration& registration) {
    (new DesignPreview(control, registration))->Schedule();
}

QPixmap DesignPreview::Picture(const ControlRegistration& registration, int side) {
    const std::unique_ptr<ControlBase> control = registration.Create(nullptr);
    control->SetDesignTime(true);
    DesignPreview* preview = new DesignPreview(*control, registration);
    preview->Run();
    // The path view's reply is drawn on its next poll; the sample has answered already.
    if (auto* path = qobject_cast<PathControl*>(control.get()))
        path->Processing();
    return control->grab().scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

bool DesignPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &control_ && event->type() == QEvent::Resize) {
        // A control previewed before has its grid and fits to the new size in its own resize
        // step (the period table rewrites FontSize): what the form had is taken before that step,
        // for the preview to hand back. Before the first preview there is nothing to fit yet, and
        // Designer is still setting the form's properties.
        if (previewed_ && !form_ && !running_)
            form_ = std::make_unique<PropertySnapshot>(control_);
        Schedule();
    }
    return false;
}

void DesignPreview::Schedule() {
    // Designer sets the form's properties and sizes right after creating a control, and a drag
    // resizes it many times: one preview when the event loop turns.
    if (scheduled_ || running_)
        return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] { Run(); });
}

void DesignPreview::Run() {
    scheduled_ = false;
    if (running_)
        return;
    running_ = true;
    previewed_ = true;
    const std::unique_ptr<PropertySnapshot> form =
        form_ ? std::move(form_) : std::make_unique<PropertySnapshot>(control_);
    ControlBase::Trap([&] {
        // The demo terminal's properties where the form has left a property as a new control has
        // it (the process, dates, caption lists the integrator set are previewed as set); the
        // address is always the sample's.
        const std::unique_ptr<ControlBase> asCreated = registration_.Create(nullptr);
        const QString sample = SampleReplies::BaseUrl();
        const demo::DemoPlacement& placement = demo::DemoPlacement::Of(registration_.Name);
        const auto sampleDates = [](const QString& rule) { return SampleReplies::WindowDates(rule); };
        for (const auto& [name, value] : placement.PropertiesFor(sample, kSampleProcess, sampleDates)) {
            if (!value.startsWith(sample) && !(control_.Value(name) == asCreated->Value(name)))
                continue;
            control_.Assign(name, value);
        }
        // The time tracker loads once until its host clears Initializer.
        if (control_.Properties().Find(QStringLiteral("Initializer")) != nullptr)
            control_.Assign(QStringLiteral("Initializer"), false);
        control_.Refresh(false);
    });
    ControlBase::Trap([&] { form->Restore(control_); });
    running_ = false;
}

} // namespace k7
