#include "RecoveryWatch.h"

#include "frame/control/ControlBase.h"
#include "frame/requests/RequestOutcome.h"

namespace k7::cli {

RecoveryWatch::RecoveryWatch(std::function<double()> elapsed) : elapsed_(std::move(elapsed)) {}

void RecoveryWatch::Watch(ControlBase& control) {
    QObject::connect(&control, &ControlBase::ReadSettled, this,
                     [this, &control](const RequestOutcome& outcome) { Settled(control, outcome); });
}

void RecoveryWatch::Settled(const ControlBase& control, const RequestOutcome& outcome) {
    if (outcome.Good)
        failing_.erase(&control);
    else
        failing_.insert(&control);
    CheckFresh();
}

void RecoveryWatch::ServiceBack() {
    backAt_ = elapsed_();
    allFreshAfter_.reset();
    CheckFresh();
}

void RecoveryWatch::CheckFresh() {
    if (backAt_ && !allFreshAfter_ && failing_.empty())
        allFreshAfter_ = elapsed_() - *backAt_;
}

std::map<QString, int> RecoveryWatch::NotFresh() const {
    std::map<QString, int> names;
    for (const ControlBase* control : failing_)
        ++names[control->objectName()];
    return names;
}

} // namespace k7::cli
