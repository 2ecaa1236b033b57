#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <set>

namespace k7 {
class ControlBase;
struct RequestOutcome;
} // namespace k7

namespace k7::cli {

// When a fleet shows good figures everywhere again after its service came back: the first moment
// after that at which no control of any copy has a failed last read (no control is marked stale).
// A control that read nothing while the service was away kept its good figures; when the outage
// outlasts the longest period, every control has failed and then needs a good read.
class RecoveryWatch : public QObject {
public:
    // `elapsed` gives the seconds on the fleet's clock.
    explicit RecoveryWatch(std::function<double()> elapsed);

    void Watch(ControlBase& control);
    // The service answers again from now on.
    void ServiceBack();

    // Seconds from ServiceBack until no control's last read had failed; nullopt until then.
    std::optional<double> AllFreshAfter() const { return allFreshAfter_; }
    // The controls whose last read failed, counted by object name (the copies of a form name their
    // controls alike).
    std::map<QString, int> NotFresh() const;

private:
    void Settled(const ControlBase& control, const RequestOutcome& outcome);
    void CheckFresh();

    std::function<double()> elapsed_;
    std::set<const ControlBase*> failing_;
    std::optional<double> backAt_;
    std::optional<double> allFreshAfter_;
};

} // namespace k7::cli
