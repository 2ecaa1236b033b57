#pragma once

#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <QIcon>

namespace k7 {

struct ControlRegistration;

// One control of the catalog as Qt Designer's widget box shows it: under the library's group,
// created at its design size, declared to uic as the namespaced class from the library's header.
class ControlWidgetInterface : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    ControlWidgetInterface(const ControlRegistration& registration, QObject* parent);

    QString name() const override;
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override;
    QIcon icon() const override;
    bool isContainer() const override { return false; }
    QWidget* createWidget(QWidget* parent) override;
    bool isInitialized() const override { return initialized_; }
    void initialize(QDesignerFormEditorInterface* core) override;
    QString domXml() const override;

    // The widget box group every control of the library appears under.
    static QString GroupName();

private:
    const ControlRegistration& registration_;
    bool initialized_ = false;
    mutable QIcon icon_;
};

} // namespace k7
