#pragma once

#include "orvelk7controls_export.h"
#include "core/Date.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QWidget;

namespace k7 {

class ControlBase;

// Where the reference terminal of `k7 demo` puts a control (once in every process row, or once
// for the whole screen, below the rows), its extent (0: the design size) and the properties the
// demo sets by public name, where "{plant}" stands for the simulated plant's base address and
// "{process}" for the row's process (P100 on the screen-wide row).
struct DemoPlacement {
    enum class Scope { EveryProcessRow, Screen };
    Scope Where = Scope::EveryProcessRow;
    float Width = 0;
    float Height = 0;
    std::vector<std::pair<QString, QString>> Properties = ConnectionProperties();

    // APIHost, Company, Session and Process of a control that reads the plant's REST service.
    static std::vector<std::pair<QString, QString>> ConnectionProperties() {
        return {{QStringLiteral("APIHost"), QStringLiteral("{plant}")},
                {QStringLiteral("Company"), QStringLiteral("ORV")},
                {QStringLiteral("Session"), QStringLiteral("DEMO")},
                {QStringLiteral("Process"), QStringLiteral("{process}")}};
    }

    // Properties as a screen against `plant` (a base address ending in "/") sets them for `process`.
    std::vector<std::pair<QString, QString>> PropertiesFor(const QString& plant, const QString& process) const {
        std::vector<std::pair<QString, QString>> filled = Properties;
        for (auto& [name, value] : filled)
            value.replace(QLatin1String("{plant}"), plant).replace(QLatin1String("{process}"), process);
        return filled;
    }
};

// StartDate and EndDate of the eight-hour shift (06-14, 14-22, 22-06) that contains `now`: the
// window a terminal usually shows in its period table, as property values for the host to set.
K7_EXPORT std::vector<std::pair<QString, QString>> ShiftContaining(Date now);

// One creatable control of the library: its type-library name, what it shows in one line (form
// editors show it as the tool tip), how to create it and where the demo terminal shows it.
struct ControlRegistration {
    QString Name;
    QString Summary;
    std::function<std::unique_ptr<ControlBase>(QWidget* parent)> Create;
    DemoPlacement Demo;
};

// The one list of the library's controls. A new control is registered by one entry here; hosts
// (k7 show, k7 demo), the contract tests and the golden dumps take every control from it.
class K7_EXPORT ControlCatalog {
public:
    static const std::vector<ControlRegistration>& All();
    static QStringList Names();
    // A new control of `name` (exact, as the type library names it), or nullptr when unknown.
    static std::unique_ptr<ControlBase> Create(const QString& name, QWidget* parent = nullptr);
    static const ControlRegistration* Find(const QString& name);
};

} // namespace k7
