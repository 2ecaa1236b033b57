#include "FigureHold.h"

#include "frame/control/ControlBase.h"
#include "frame/requests/RequestOutcome.h"

namespace k7::cli {

FigureHold::FigureHold() = default;
FigureHold::~FigureHold() = default;

void FigureHold::Settled(ControlBase& control, const RequestOutcome& outcome) {
    Kept& kept = kept_[&control];
    if (outcome.Good) {
        kept = {control.SaveShown(), outcome.Time, false};
        return;
    }
    kept.Holding = kept.Shown != nullptr;
    if (kept.Holding)
        control.RestoreShown(*kept.Shown);
}

std::optional<QDateTime> FigureHold::HeldSince(const ControlBase& control) const {
    const auto found = kept_.find(&control);
    if (found == kept_.end() || !found->second.Holding)
        return std::nullopt;
    return found->second.Time;
}

} // namespace k7::cli
