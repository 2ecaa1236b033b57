#pragma once

#include <QDateTime>

#include <map>
#include <memory>
#include <optional>

namespace k7 {
class ControlBase;
struct RequestOutcome;
class ShownState;
} // namespace k7

namespace k7::cli {

// The last good figures of each control of a terminal, put back when a read fails. A control
// whose read failed shows its own failure state ("No Data", a chart at 0 %, a table whose totals
// went to 0 while its hour cells kept old values), and an operator takes whatever is shown for the
// figures; the terminal shows the last good ones instead, their age marked by the host
// (StaleMarks). Only the widgets are put back (ControlBase::RestoreShown): the control's own state
// (Error, properties, what its loaders stored) stays as the control left it. A control that never
// had good figures keeps its failure state.
class FigureHold {
public:
    FigureHold();
    ~FigureHold();

    // A read of `control` settled and its handlers ran: what it shows after a good read is kept; the
    // kept figures are put back after a failed one. Called in the turn of the event loop the read
    // settled in, so no paint ever shows the failure state.
    void Settled(ControlBase& control, const RequestOutcome& outcome);
    // When what `control` shows is held figures: when the read that brought them was sent.
    std::optional<QDateTime> HeldSince(const ControlBase& control) const;

private:
    struct Kept {
        std::shared_ptr<const ShownState> Shown;
        QDateTime Time;
        bool Holding = false;
    };
    std::map<const ControlBase*, Kept> kept_;
};

} // namespace k7::cli
