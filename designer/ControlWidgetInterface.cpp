#include "ControlWidgetInterface.h"

#include "DesignPreview.h"

#include "controls/ControlCatalog.h"
#include "frame/control/ControlBase.h"

#include <QIcon>

namespace k7 {

ControlWidgetInterface::ControlWidgetInterface(const ControlRegistration& registration, QObject* parent)
    : QObject(parent), registration_(registration) {}

QString ControlWidgetInterface::GroupName() {
    return QStringLiteral("OrvelK7 Controls");
}

QString ControlWidgetInterface::name() const {
    // uic declares the member with this name, so it is the C++ class as the library declares it.
    return QStringLiteral("k7::") + registration_.Name;
}

QString ControlWidgetInterface::group() const {
    return GroupName();
}

QString ControlWidgetInterface::toolTip() const {
    return registration_.Summary;
}

QString ControlWidgetInterface::whatsThis() const {
    return registration_.Summary;
}

QString ControlWidgetInterface::includeFile() const {
    // The one header that declares every control, from the installed include directory.
    return QStringLiteral("OrvelK7Controls.h");
}

QIcon ControlWidgetInterface::icon() const {
    // The control itself, previewed at its design size: each control is told apart in the widget
    // box by what it shows.
    if (icon_.isNull())
        icon_ = QIcon(DesignPreview::Picture(registration_, 64));
    return icon_;
}

QWidget* ControlWidgetInterface::createWidget(QWidget* parent) {
    std::unique_ptr<ControlBase> control = registration_.Create(parent);
    control->SetDesignTime(true);
    DesignPreview::Attach(*control, registration_);
    return control.release();
}

void ControlWidgetInterface::initialize(QDesignerFormEditorInterface*) {
    initialized_ = true;
}

QString ControlWidgetInterface::domXml() const {
    // A control dropped on a form starts at its design size, as the control itself sets it.
    const std::unique_ptr<ControlBase> control = registration_.Create(nullptr);
    const QSize size = control->size();
    const QString objectName = registration_.Name.left(1).toLower() + registration_.Name.mid(1);
    return QStringLiteral("<ui language=\"c++\">\n"
                          " <widget class=\"%1\" name=\"%2\">\n"
                          "  <property name=\"geometry\">\n"
                          "   <rect><x>0</x><y>0</y><width>%3</width><height>%4</height></rect>\n"
                          "  </property>\n"
                          " </widget>\n"
                          "</ui>\n")
        .arg(name(), objectName)
        .arg(size.width())
        .arg(size.height());
}

} // namespace k7
