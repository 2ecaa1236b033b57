#include "FormLoader.h"

#include "controls/ControlCatalog.h"
#include "frame/ControlBase.h"

#include <QFile>
#include <QWidget>

#include <stdexcept>

namespace k7::cli {

FormLoader::FormLoader(QObject* parent) : QUiLoader(parent) {
    // Designer plugins installed on the machine (ours among them) must not stand in for the
    // catalog: the terminal runs the controls it links.
    clearPluginPaths();
}

QWidget* FormLoader::createWidget(const QString& className, QWidget* parent, const QString& name) {
    if (!className.startsWith(ClassPrefix()))
        return QUiLoader::createWidget(className, parent, name);
    std::unique_ptr<ControlBase> control = ControlCatalog::Create(className.mid(ClassPrefix().size()), parent);
    if (!control) {
        unknown_ << className;
        return nullptr;
    }
    control->setObjectName(name);
    return control.release(); // owned by `parent`, or by the caller for a form's top level
}

std::unique_ptr<QWidget> FormLoader::Load(const QString& path, QWidget* parent) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()).toStdString());
    unknown_.clear();
    std::unique_ptr<QWidget> form(load(&file, parent));
    if (!unknown_.isEmpty())
        throw std::runtime_error(QStringLiteral("%1: no control of the library is named %2 (known: k7::%3)")
                                     .arg(path, unknown_.join(QStringLiteral(", ")),
                                          ControlCatalog::Names().join(QStringLiteral(", k7::")))
                                     .toStdString());
    if (!form)
        throw std::runtime_error(QStringLiteral("%1 is no form: %2").arg(path, errorString()).toStdString());
    return form;
}

} // namespace k7::cli
