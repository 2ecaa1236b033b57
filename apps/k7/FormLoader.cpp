#include "FormLoader.h"

#include "HostFile.h"

#include "controls/ControlCatalog.h"
#include "frame/control/ControlBase.h"

#include <QBuffer>
#include <QWidget>
#include <QXmlStreamReader>

#include <stdexcept>

namespace k7::cli {

namespace {

// The line of the first <widget> of class `className` in the form, for messages; 0 if none is.
qint64 WidgetLine(const QByteArray& form, const QString& className) {
    QXmlStreamReader reader(form);
    while (reader.readNextStartElement() || !reader.atEnd()) {
        if (reader.isStartElement() && reader.name() == QLatin1String("widget") &&
            reader.attributes().value(QLatin1String("class")) == className)
            return reader.lineNumber();
        if (reader.hasError())
            break;
    }
    return 0;
}

} // namespace

FormLoader::FormLoader(QObject* parent) : QUiLoader(parent) {
    // Designer plugins installed on the machine (ours among them) must not stand in for the
    // catalog: the terminal runs the controls it links.
    clearPluginPaths();
}

QWidget* FormLoader::createWidget(const QString& className, QWidget* parent, const QString& name) {
    if (!className.startsWith(ClassPrefix())) {
        QWidget* widget = QUiLoader::createWidget(className, parent, name);
        // Nothing made means QUiLoader would drop the widget with everything inside it.
        if (widget == nullptr && !unknown_.contains(className))
            unknown_ << className;
        return widget;
    }
    const QString kind = className.mid(ClassPrefix().size());
    std::unique_ptr<ControlBase> control = ControlCatalog::Create(kind, parent);
    if (!control) {
        if (!unknown_.contains(className))
            unknown_ << className;
        return nullptr;
    }
    control->setObjectName(name);
    // Every control is known by its name (its stale mark, the status line, the dump): one without
    // a name is named after its class and its place among the controls of that class on the form,
    // once loading has applied the form's own (empty) name.
    const int place = ++placed_[kind];
    if (name.isEmpty())
        unnamed_.push_back({control.get(), QStringLiteral("%1#%2").arg(kind).arg(place)});
    return control.release(); // owned by `parent`, or by the caller for a form's top level
}

std::unique_ptr<QWidget> FormLoader::Load(const QString& path, QWidget* parent) {
    QByteArray bytes = HostFile::Read(path, path);
    unknown_.clear();
    notes_.clear();
    placed_.clear();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    unnamed_.clear();
    std::unique_ptr<QWidget> form(load(&buffer, parent));
    for (const auto& [control, name] : unnamed_) {
        if (!control)
            continue;
        control->setObjectName(name);
        notes_ << QStringLiteral("the %1%2 without an object name is called %3")
                      .arg(ClassPrefix(), name.section(QLatin1Char('#'), 0, 0), name);
    }
    unnamed_.clear();
    if (!unknown_.isEmpty()) {
        const QString& className = unknown_.front();
        const QString where = QStringLiteral("%1:%2").arg(path).arg(WidgetLine(bytes, className));
        if (className.startsWith(ClassPrefix()))
            throw std::runtime_error(
                QStringLiteral("%1: no control of the library is named %2 (known: k7::%3)")
                    .arg(where, className, ControlCatalog::Names().join(QStringLiteral(", k7::")))
                    .toStdString());
        throw std::runtime_error(QStringLiteral("%1: neither Qt nor the library knows the widget class %2, "
                                                "so nothing inside it could be shown")
                                     .arg(where, className)
                                     .toStdString());
    }
    if (!form)
        throw std::runtime_error(QStringLiteral("%1 is no form: %2").arg(path, errorString()).toStdString());
    return form;
}

} // namespace k7::cli
