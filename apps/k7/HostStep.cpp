#include "HostStep.h"

#include "ScriptedHost.h"
#include "WidgetCommand.h"

#include "core/RuntimeError.h"
#include "frame/children/ControlChild.h"
#include "frame/control/ControlBase.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMouseEvent>

#include <cstdio>
#include <functional>
#include <stdexcept>

namespace k7::cli {

namespace {

// "NAME:INDEX" (or "NAME" for index -1).
QPair<QString, int> ParseTarget(const QString& option, const QString& target) {
    const qsizetype colon = target.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return qMakePair(target, -1);
    bool ok = false;
    const int index = target.mid(colon + 1).toInt(&ok);
    if (!ok || colon == 0)
        throw UsageError(QStringLiteral("%1 wants NAME:INDEX, not '%2'").arg(option, target).toStdString());
    return qMakePair(target.left(colon), index);
}

// Runs a host call; a runtime error it raises is reported as the failure text, as a host shows it.
bool CallHost(const char* tool, const char* what, const std::function<void()>& call) {
    try {
        call();
        return true;
    } catch (const RuntimeError& error) {
        std::fprintf(stderr, "%s: %s raised %s\n", tool, what, qPrintable(error.FailureText()));
        return false;
    }
}

// The widget a click or release step acts on; a step naming a child that is not there fails.
QWidget& StepTarget(const ControlBase& control, const HostStep& step) {
    ControlChild* child = control.FindChild(step.Name, step.Index);
    auto* widget = dynamic_cast<QWidget*>(child);
    if (widget == nullptr)
        throw std::runtime_error(
            QStringLiteral("no widget %1(%2) to act on").arg(step.Name).arg(step.Index).toStdString());
    return *widget;
}

} // namespace

std::optional<HostStep> HostStep::Take(const QStringList& args, int& i) {
    const QString& option = args[i];
    HostStep step;
    if (option == QLatin1String("--answer"))
        step.What = Kind::Answer;
    else if (option == QLatin1String("--click"))
        step.What = Kind::Click;
    else if (option == QLatin1String("--release"))
        step.What = Kind::Release;
    else if (option == QLatin1String("--menu"))
        step.What = Kind::Menu;
    else
        return std::nullopt;
    if (i + 1 >= args.size())
        throw UsageError(QStringLiteral("%1 needs a value").arg(option).toStdString());
    const QString& value = args[++i];
    if (step.What == Kind::Answer) {
        step.Name = value;
        return step;
    }
    const auto target = ParseTarget(option, value);
    step.Name = target.first;
    step.Index = target.second;
    return step;
}

bool HostStep::Run(ControlBase& control, ScriptedHost& host, const char* tool) const {
    // A user presses only what the screen shows and takes input: a hidden or disabled widget
    // gets no click and no release, so a step that asks for one fails instead of acting.
    const auto reachable = [this, tool](const QWidget& target, const char* action) {
        const char* why = !target.isVisible() ? "hidden" : !target.isEnabled() ? "disabled" : nullptr;
        if (why != nullptr)
            std::fprintf(stderr, "%s: cannot %s %s(%d): it is %s\n", tool, action, qPrintable(Name), Index,
                         why);
        return why == nullptr;
    };
    switch (What) {
    case Kind::Refresh:
        return CallHost(tool, Opened ? "Refresh(True)" : "Refresh(False)", [&] { control.Refresh(Opened); });
    case Kind::Resize:
        control.SetExtent(Width, Height);
        return true;
    case Kind::Click: {
        auto* button = dynamic_cast<QAbstractButton*>(&StepTarget(control, *this));
        if (button == nullptr)
            throw std::runtime_error(QStringLiteral("%1 is no button").arg(Name).toStdString());
        if (!reachable(*button, "click"))
            return false;
        button->click();
        return true;
    }
    case Kind::Release: {
        QWidget& target = StepTarget(control, *this);
        if (!reachable(target, "release the mouse over"))
            return false;
        const QPointF inside(target.width() / 2.0, target.height() / 2.0);
        QMouseEvent release(QEvent::MouseButtonRelease, inside, target.mapToGlobal(inside), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&target, &release);
        return true;
    }
    case Kind::Answer:
        host.QueueAnswer(Name);
        return true;
    case Kind::Menu:
        host.QueueMenuChoice(Name, Index);
        return true;
    }
    return true;
}

} // namespace k7::cli
