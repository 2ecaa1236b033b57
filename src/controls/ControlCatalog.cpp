#include "controls/ControlCatalog.h"

#include "controls/prodcode/ProdCode.h"

namespace k7 {

namespace {

template <class T> std::unique_ptr<ControlBase> Make(QWidget* parent) {
    return std::make_unique<T>(parent);
}

} // namespace

const std::vector<ControlRegistration>& ControlCatalog::All() {
    static const std::vector<ControlRegistration> registry = {
        {QStringLiteral("ProdCode"), &Make<ProdCode>, {DemoPlacement::Scope::EveryProcessRow}},
    };
    return registry;
}

QStringList ControlCatalog::Names() {
    QStringList names;
    for (const ControlRegistration& registration : All())
        names << registration.Name;
    return names;
}

const ControlRegistration* ControlCatalog::Find(const QString& name) {
    for (const ControlRegistration& registration : All())
        if (registration.Name == name)
            return &registration;
    return nullptr;
}

std::unique_ptr<ControlBase> ControlCatalog::Create(const QString& name, QWidget* parent) {
    const ControlRegistration* registration = Find(name);
    return registration != nullptr ? registration->Create(parent) : nullptr;
}

} // namespace k7
