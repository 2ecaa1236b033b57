#include "TerminalSteps.h"

#include "ScriptedHost.h"
#include "WidgetCommand.h"

#include "frame/control/ControlBase.h"

#include <QObject>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace k7::cli {

namespace {

const char* const kTool = "k7 terminal";

} // namespace

bool TerminalSteps::Take(const QStringList& args, int& i) {
    const QString& option = args[i];
    if (option == QLatin1String("--at")) {
        bool ok = false;
        const double at = i + 1 < args.size() ? args[i + 1].toDouble(&ok) : 0;
        if (!ok || !std::isfinite(at) || at < 0)
            throw UsageError(QStringLiteral("--at wants SECONDS from the screen's opening").toStdString());
        if (!groups_.empty() && at < groups_.back().At)
            throw UsageError(QStringLiteral("--at %1 comes after --at %2; give the groups in time order")
                                 .arg(args[i + 1])
                                 .arg(groups_.back().At)
                                 .toStdString());
        ++i;
        groups_.push_back({at, {}});
        return true;
    }
    if (option != QLatin1String("--click") && option != QLatin1String("--menu") &&
        option != QLatin1String("--answer"))
        return false;
    if (groups_.empty())
        throw UsageError(
            QStringLiteral("%1 belongs to a group: give --at SECONDS before it").arg(option).toStdString());
    if (i + 1 >= args.size())
        throw UsageError(QStringLiteral("%1 needs a value").arg(option).toStdString());
    const QString value = args[++i];
    Targeted targeted;
    QString stepValue = value;
    if (option != QLatin1String("--answer")) {
        const qsizetype slash = value.indexOf(QLatin1Char('/'));
        if (slash <= 0 || slash + 1 == value.size())
            throw UsageError(
                QStringLiteral("%1 wants OBJECT/NAME:INDEX, not '%2'").arg(option, value).toStdString());
        targeted.Control = value.left(slash);
        stepValue = value.mid(slash + 1);
    }
    int at = 0;
    targeted.Step = *HostStep::Take({option, stepValue}, at);
    groups_.back().Steps.push_back(std::move(targeted));
    return true;
}

void TerminalSteps::Host(const std::vector<ControlBase*>& controls, bool headless) {
    controls_ = controls;
    const auto answers = std::make_shared<ScriptedHost::Answers>();
    for (ControlBase* control : controls) {
        auto host = std::make_shared<ScriptedHost>(headless, answers);
        control->SetHost(host.get());
        host->Watch(*control);
        hosts_[control] = std::move(host);
    }
}

const ScriptedHost* TerminalSteps::HostOf(const ControlBase& control) const {
    const auto found = hosts_.find(&control);
    return found != hosts_.end() ? found->second.get() : nullptr;
}

void TerminalSteps::Start() {
    // The timers go with the steps: none fires into a terminal that is closing.
    timers_ = std::make_shared<QObject>();
    for (const Group& group : groups_)
        QTimer::singleShot(static_cast<int>(std::lround(group.At * 1000)), timers_.get(),
                           [this, &group] { RunGroup(group); });
}

void TerminalSteps::RunGroup(const Group& group) {
    // QString::number writes the moment in the C locale, whatever the host's is.
    for (const Targeted& targeted : group.Steps) {
        // The queue of answers is shared: any control's host takes one.
        ControlBase* control = targeted.Control.isEmpty() && !controls_.empty() ? controls_.front() : nullptr;
        for (ControlBase* candidate : controls_)
            if (!targeted.Control.isEmpty() && candidate->objectName() == targeted.Control)
                control = candidate;
        if (control == nullptr) {
            std::fprintf(stderr, "%s: --at %s: no control %s on the form\n", kTool, qPrintable(QString::number(group.At)),
                         qPrintable(targeted.Control));
            ++failed_;
            continue;
        }
        try {
            if (!targeted.Step.Run(*control, *hosts_.at(control), kTool))
                ++failed_;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s: --at %s: %s: %s\n", kTool, qPrintable(QString::number(group.At)),
                         qPrintable(targeted.Control), error.what());
            ++failed_;
        }
    }
}

TerminalSteps::~TerminalSteps() {
    timers_.reset();
    for (ControlBase* control : controls_)
        control->SetHost(nullptr);
}

} // namespace k7::cli
