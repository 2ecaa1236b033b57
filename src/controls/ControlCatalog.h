#pragma once

#include "orvelk7controls_export.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace k7 {

class ControlBase;

// One creatable control of the library: its type-library name, what it shows in one line (form
// editors show it as the tool tip) and how to create it.
struct ControlRegistration {
    QString Name;
    QString Summary;
    std::function<std::unique_ptr<ControlBase>(QWidget* parent)> Create;
};

// The one list of the library's controls. A new control is registered by one entry here; hosts
// (k7 show, k7 demo, the Designer plugin), the contract tests and the golden dumps take every
// control from it.
class K7_EXPORT ControlCatalog {
public:
    static const std::vector<ControlRegistration>& All();
    static QStringList Names();
    // A new control of `name` (exact, as the type library names it), or nullptr when unknown.
    static std::unique_ptr<ControlBase> Create(const QString& name, QWidget* parent = nullptr);
    static const ControlRegistration* Find(const QString& name);
};

} // namespace k7
