#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QWidget;

namespace k7 {
class ControlBase;
}

namespace k7::cli {

// The one registry of the library's controls the host knows by name: a control joins the host
// by adding one line to its table.
class ControlFactory {
public:
    // The registered control names, in registry order.
    static QStringList Names();
    // A new control of `name` (exact, as the type library names it), or nullptr when unknown.
    static std::unique_ptr<ControlBase> Create(const QString& name, QWidget* parent = nullptr);
};

} // namespace k7::cli
