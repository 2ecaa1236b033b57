#pragma once

#include "HostStep.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class QObject;

namespace k7 {
class ControlBase;
}

namespace k7::cli {

class ScriptedHost;

// The steps a terminal takes by itself, headless or not, in groups timed from the screen's
// opening: `--at SECONDS` opens a group, and the steps after it (`--click OBJECT/NAME:INDEX`,
// `--menu OBJECT/NAME:ITEM`, `--answer TEXT`) belong to it, OBJECT naming the control by its object
// name on the form. An answer goes to the next prompt of any control.
//
// It also gives each control a scripted host (ScriptedHost), so that the dump keeps what every
// control asked of its host and every write it sent.
class TerminalSteps {
public:
    // Takes args[i] and its value when it is one of the options above (i then on the value);
    // false for any other option. Throws UsageError for a bad value, a step before the first --at,
    // or a group earlier than the one before it.
    bool Take(const QStringList& args, int& i);
    bool Empty() const { return groups_.empty(); }
    // When the last group runs, in seconds from the opening; 0 without steps.
    double LastAt() const { return groups_.empty() ? 0 : groups_.back().At; }

    // Gives every control a scripted host, all of them sharing one queue of answers. Without a
    // display a prompt nobody scripted is cancelled; with one it is asked as usual.
    void Host(const std::vector<ControlBase*>& controls, bool headless);
    const ScriptedHost* HostOf(const ControlBase& control) const;
    // Runs the groups at their moments, counted from now; a group whose control or child is
    // missing, hidden or disabled says so on standard error and counts as failed.
    void Start();
    int Failed() const { return failed_; }

    TerminalSteps() = default;
    TerminalSteps(const TerminalSteps&) = default;
    TerminalSteps& operator=(const TerminalSteps&) = default;
    // Gives the controls back their default host; they must still be there.
    ~TerminalSteps();

private:
    struct Targeted {
        QString Control; // its object name; "" for an answer
        HostStep Step;
    };
    struct Group {
        double At = 0;
        std::vector<Targeted> Steps;
    };

    void RunGroup(const Group& group);

    std::vector<Group> groups_;
    std::map<const ControlBase*, std::shared_ptr<ScriptedHost>> hosts_;
    std::vector<ControlBase*> controls_;
    std::shared_ptr<QObject> timers_;
    int failed_ = 0;
};

} // namespace k7::cli
