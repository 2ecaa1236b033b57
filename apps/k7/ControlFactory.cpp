#include "ControlFactory.h"

#include "controls/prodcode/ProdCode.h"

#include <functional>
#include <vector>

namespace k7::cli {

namespace {

struct Registration {
    const char* Name;
    std::function<std::unique_ptr<ControlBase>(QWidget*)> Create;
};

const std::vector<Registration>& Registry() {
    static const std::vector<Registration> registry = {
        {"ProdCode", [](QWidget* parent) { return std::make_unique<ProdCode>(parent); }},
    };
    return registry;
}

} // namespace

QStringList ControlFactory::Names() {
    QStringList names;
    for (const Registration& registration : Registry())
        names << QString::fromLatin1(registration.Name);
    return names;
}

std::unique_ptr<ControlBase> ControlFactory::Create(const QString& name, QWidget* parent) {
    for (const Registration& registration : Registry())
        if (name == QLatin1String(registration.Name))
            return registration.Create(parent);
    return nullptr;
}

} // namespace k7::cli
