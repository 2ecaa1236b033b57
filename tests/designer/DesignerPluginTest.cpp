// The Designer plugin as Qt Designer sees it: loaded through QPluginLoader and its custom-widget
// collection, listed in Designer's own widget box, and edited through Designer's own property
// sheets.
#include "controls/ControlCatalog.h"
#include "frame/children/Label.h"
#include "frame/control/ControlBase.h"
#include "frame/properties/PropertyTable.h"
#include "support/Checks.h"

#include <QtDesigner/QDesignerComponents>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerFormWindowInterface>
#include <QtDesigner/QDesignerFormWindowManagerInterface>
#include <QtDesigner/QDesignerIntegration>
#include <QtDesigner/QDesignerPropertySheetExtension>
#include <QtDesigner/QDesignerWidgetBoxInterface>
#include <QtDesigner/QExtensionManager>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPluginLoader>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace k7;

namespace {

QStringList CatalogClassNames() {
    QStringList names;
    for (const QString& name : ControlCatalog::Names())
        names.append("k7::" + name);
    return names;
}

class DesignerPlugin : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        loader_ = new QPluginLoader(QStringLiteral(K7_DESIGNER_PLUGIN));
        collection_ = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader_->instance());
        ASSERT_NE(collection_, nullptr) << qPrintable(loader_->errorString());
        // Designer's own core: its plugin manager looks in the designer folder of every library
        // path, as the Designer application does with QT_PLUGIN_PATH.
        QDir plugins = QFileInfo(loader_->fileName()).dir();
        plugins.cdUp();
        QCoreApplication::addLibraryPath(plugins.path());
        core_ = QDesignerComponents::createFormEditor(nullptr);
        QDesignerComponents::initializePlugins(core_);
        core_->setWidgetBox(QDesignerComponents::createWidgetBox(core_, nullptr));
    }
    static void TearDownTestSuite() {
        delete core_->widgetBox();
        delete core_;
        loader_->unload();
        delete loader_;
    }

    static QDesignerPropertySheetExtension* Sheet(QWidget* widget) {
        return qt_extension<QDesignerPropertySheetExtension*>(core_->extensionManager(), widget);
    }
    static ControlBase& Create(const QString& className, QWidget* parent) {
        for (QDesignerCustomWidgetInterface* widget : collection_->customWidgets())
            if (widget->name() == className)
                return dynamic_cast<ControlBase&>(*widget->createWidget(parent));
        throw std::invalid_argument(className.toStdString());
    }

    static inline QPluginLoader* loader_ = nullptr;
    static inline QDesignerCustomWidgetCollectionInterface* collection_ = nullptr;
    static inline QDesignerFormEditorInterface* core_ = nullptr;
};

TEST_F(DesignerPlugin, DesignersWidgetBoxListsTheControlsInOneGroup) {
    QDesignerWidgetBoxInterface* box = core_->widgetBox();
    QStringList listed;
    for (int c = 0; c < box->categoryCount(); ++c) {
        const QDesignerWidgetBoxInterface::Category category = box->category(c);
        for (int w = 0; w < category.widgetCount(); ++w)
            if (category.widget(w).name().startsWith(QLatin1String("k7::"))) {
                EXPECT_EQ(category.name(), "OrvelK7 Controls") << qPrintable(category.widget(w).name());
                listed.append(category.widget(w).name());
            }
    }
    EXPECT_EQ(listed, CatalogClassNames());
}

// Designer lists every persisted property under its persistence name with an editor. That a .ui
// file it writes compiles (uic calls set<Name>()) shows in the terminal tests' uic-built form.
TEST_F(DesignerPlugin, EditsEveryPersistedPropertyByItsPersistenceName) {
    const QSet<QString> editable = {"qdesigner_internal::PropertySheetStringValue", "bool", "int", "uint",
                                    "double"};
    QWidget form;
    for (const QString& className : CatalogClassNames()) {
        ControlBase& control = Create(className, &form);
        QDesignerPropertySheetExtension* sheet = Sheet(&control);
        ASSERT_NE(sheet, nullptr);
        for (const PropertyDefinition* property : control.Properties().WriteSequence()) {
            SCOPED_TRACE((className + QLatin1Char('.') + property->PersistenceName).toStdString());
            const int index = sheet->indexOf(property->PersistenceName);
            ASSERT_GE(index, 0);
            EXPECT_TRUE(sheet->isVisible(index));
            EXPECT_TRUE(editable.contains(QString::fromLatin1(sheet->property(index).typeName())))
                << sheet->property(index).typeName();
        }
    }
}

// Designer's property editor takes any number its field holds; the control keeps what it had and
// shows why in Error, instead of an exception leaving Designer.
TEST_F(DesignerPlugin, ARefusedValueFromThePropertyEditorLandsInError) {
    QWidget form;
    ControlBase& control = Create("k7::ProductionPeriodTable", &form);
    QDesignerPropertySheetExtension* sheet = Sheet(&control);
    const int planned = sheet->indexOf("Planned");

    sheet->setProperty(planned, 1);
    EXPECT_EQ(control.Value("Planned"), Variant(uint8_t(1)));
    EXPECT_EQ(control.Error(), QString());

    sheet->setProperty(planned, 300);
    EXPECT_EQ(control.Value("Planned"), Variant(uint8_t(1)));
    EXPECT_EQ(control.Error(), "6-Overflow");
}

// Every value a host can write, as the control holds it: "Name=value".
std::vector<std::string> Writable(const ControlBase& control) {
    std::vector<std::string> values;
    for (const PropertyDefinition& property : control.Properties().Definitions())
        if (property.Access != PropertyAccess::ReadOnly)
            values.push_back((property.Name + '=' + control.Value(property.Name).ToText()).toStdString());
    return values;
}

// Each control is offered as Designer needs it: made in design mode, at the size its DOM XML
// gives, with an icon of its own. On a form it shows the sample plant's figures, laid out at the
// size it is given and again after a resize, and leaves every property as the form had it. "Not
// blank": the preview differs from the bare control at the same size in a good share of its pixels.
// Which controls there are, and in which group, is the widget box's test above.
TEST_F(DesignerPlugin, EveryControlIsOfferedAtItsDesignSizeAndPreviewsSampleFiguresKeepingItsProperties) {
    // The class and the geometry size of the one widget in a widget's DOM XML.
    const QRegularExpression dom(R"re(<widget class="([^"]+)".*<width>(\d+)</width><height>(\d+)</height>)re",
                                 QRegularExpression::DotMatchesEverythingOption);
    QWidget form; // shown, as Designer's form is, so that a resize reaches the control at once
    form.resize(1600, 1000);
    form.show();
    std::vector<QImage> icons;
    for (QDesignerCustomWidgetInterface* widget : collection_->customWidgets()) {
        SCOPED_TRACE(widget->name().toStdString());
        EXPECT_EQ(widget->includeFile(), "OrvelK7Controls.h");
        EXPECT_FALSE(widget->toolTip().isEmpty());
        auto& control = dynamic_cast<ControlBase&>(*widget->createWidget(&form));
        EXPECT_EQ(control.parentWidget(), &form);
        EXPECT_EQ(QString::fromLatin1(control.metaObject()->className()), widget->name());
        EXPECT_TRUE(control.DesignTime());
        const QRegularExpressionMatch match = dom.match(widget->domXml());
        ASSERT_TRUE(match.hasMatch()) << widget->domXml().toStdString();
        EXPECT_EQ(match.captured(1), widget->name());
        EXPECT_EQ(QSize(match.captured(2).toInt(), match.captured(3).toInt()), control.size());

        control.show();
        const auto before = Writable(control);
        const std::unique_ptr<ControlBase> bare = ControlCatalog::Create(widget->name().mid(4));
        for (const QSize size : {control.size(), QSize(control.width() * 3 / 2, control.height() * 5 / 4)}) {
            control.resize(size);
            bare->resize(size);
            // The path view draws its reply at its next poll.
            QTest::qWait(widget->name() == QLatin1String("k7::PathControl") ? 1200 : 50);
            const QImage shown = control.grab().toImage();
            const QImage design = bare->grab().toImage();
            ASSERT_EQ(shown.size(), size);
            int differing = 0;
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    differing += shown.pixel(x, y) != design.pixel(x, y);
            EXPECT_GT(differing, size.width() * size.height() / 100) << size.width() << "x" << size.height();
        }
        EXPECT_EQ(Writable(control), before);
        EXPECT_EQ(control.Error(), QString());
        icons.push_back(widget->icon().pixmap(64, 64).toImage());
        EXPECT_FALSE(icons.back().isNull());
        for (size_t other = 0; other + 1 < icons.size(); ++other)
            EXPECT_NE(icons[other], icons.back()) << "an icon of its own";
    }
}

// A form Designer itself saves holds what the integrator set and nothing of the sample figures
// the plugin previews: no sample connection, process or dates.
TEST_F(DesignerPlugin, AFormDesignerSavesHoldsNothingOfTheSampleFigures) {
    // What the Designer application sets up before it opens a form.
    static QDesignerIntegration* integration = new QDesignerIntegration(core_, nullptr);
    Q_UNUSED(integration);
    QDesignerFormWindowInterface* window = core_->formWindowManager()->createFormWindow();
    ASSERT_NE(window, nullptr);
    window->setContents(QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Form</class>
 <widget class="QWidget" name="Form">
  <property name="geometry"><rect><x>0</x><y>0</y><width>800</width><height>600</height></rect></property>
  <widget class="k7::ProdCode" name="code">
   <property name="Process"><string notr="true">P200</string></property>
  </widget>
  <widget class="k7::ProductionPeriodTable" name="table">
  </widget>
 </widget>
</ui>
)"));
    auto* code = window->findChild<ControlBase*>("code");
    ASSERT_NE(code, nullptr);
    const Label* product = code->findChild<Label*>("lblCode");
    EXPECT_TRUE(test::WaitUntil([&] { return product->Caption() == "880154"; })) << "P200's product";
    const QString saved = window->contents();
    EXPECT_TRUE(saved.contains("P200")) << saved.toStdString();
    for (const char* absent : {"APIHost", "invalid", "StartDate", "Company", "P100"})
        EXPECT_FALSE(saved.contains(QLatin1String(absent))) << absent << "\n" << saved.toStdString();
    delete window;
}

} // namespace
