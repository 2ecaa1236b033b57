#pragma once

#include "core/Date.h"

#include <QString>

#include <utility>
#include <vector>

namespace k7 {
class ControlBase;
}

namespace k7::cli {

// What `k7 terminal` fills in on a form's controls before it opens them, so one form runs against
// any plant and at any hour. The form's own values always win: only what it leaves empty is filled.
//
// - Connection: APIHost, Company and Session from the command line, on every control that has
//   them. A control that addresses a service by a whole URL (PathControl) gets APIHost joined with
//   the path in its dynamic property "k7ServicePath" ("drawing/path").
// - Date window: a control whose StartDate the form leaves empty and that carries the dynamic
//   property "k7Window" gets its dates from the clock, again before every timed refresh, so a
//   terminal left running all day follows the day:
//     "shift"  StartDate and EndDate of the eight-hour shift (06-14, 14-22, 22-06) running now;
//     "Nh"     the N hours up to now ("12h"): StartDate N hours ago, EndDate now;
//     "now"    StartDate now (the OEE chart's StartDate is the last day it shows).
//   Only the properties the control has are written.
class FormDefaults {
public:
    struct Connection {
        QString APIHost;
        QString Company;
        QString Session;
    };

    // Fills the empty connection properties of `control`.
    static void FillConnection(ControlBase& control, const Connection& connection);

    // The dates of a window rule at `now`, as property name and value; throws
    // std::invalid_argument naming the rule when it is none of the above.
    static std::vector<std::pair<QString, QString>> WindowDates(const QString& rule, Date now);

    // The control's window rule: its "k7Window" when the form left StartDate empty, else "".
    static QString WindowRule(const ControlBase& control);
    // Writes the window's dates at `now` into the control unless they are the ones it last wrote
    // (`written`, updated); true when it wrote. Compared with what was written, not with what the
    // control holds: a control may normalise its dates itself (the path view rounds them to hours).
    using WrittenDates = std::vector<std::pair<QString, QString>>;
    static bool ApplyWindow(ControlBase& control, const QString& rule, Date now, WrittenDates& written);
};

} // namespace k7::cli
