#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace k7 {
class ControlBase;
}

namespace k7::cli {

class ScriptedHost;

// One thing a scripted host does to a control, as a user or a host would: refresh it, resize it,
// press a button, release the mouse over a label, answer the next prompt, pick a menu item.
// `k7 show` runs them in command-line order; `k7 terminal` runs them at set moments.
struct HostStep {
    enum class Kind { Refresh, Resize, Click, Release, Answer, Menu };
    Kind What = Kind::Refresh;
    QString Name; // the child, the menu, or the answer's text
    int Index = -1;
    bool Opened = false;
    float Width = 0;
    float Height = 0;

    // The step args[i] names (--click NAME:INDEX, --release NAME:INDEX, --menu NAME:ITEM,
    // --answer TEXT) with its value, i moved onto the value; nullopt, i unmoved, for an option that
    // is no such step. Throws UsageError for a missing value or a target that is not NAME:INDEX.
    static std::optional<HostStep> Take(const QStringList& args, int& i);

    // Does it to `control`, whose host is `host`; false when it could not (said on standard error
    // after `tool`): a hidden or disabled target, a host call that raised.
    bool Run(ControlBase& control, ScriptedHost& host, const char* tool) const;
};

} // namespace k7::cli
