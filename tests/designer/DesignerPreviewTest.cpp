// What Designer shows of a control on a form: sample figures drawn by the plugin at any size, the
// form's properties untouched, and an icon of its own in the widget box.
#include "controls/ControlCatalog.h"
#include "frame/ControlBase.h"
#include "frame/PropertyBag.h"

#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>

#include <QDeadlineTimer>
#include <QImage>
#include <QPluginLoader>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

using namespace k7;

namespace {

QList<QDesignerCustomWidgetInterface*> PluginWidgets() {
    static QPluginLoader loader(QStringLiteral(K7_DESIGNER_PLUGIN));
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader.instance());
    return collection != nullptr ? collection->customWidgets() : QList<QDesignerCustomWidgetInterface*>();
}

QString Saved(const ControlBase& control) {
    PropertyBag bag;
    control.WriteProperties(bag);
    QString text;
    for (const auto& [name, value] : bag.Values())
        text += name + "=" + value.ToText() + "\n";
    return text;
}

int Colours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

struct PreviewCase {
    QString Control;
    double Scale; // of the design size
    friend void PrintTo(const PreviewCase& c, std::ostream* out) { *out << c.Control.toStdString() << " x" << c.Scale; }
};

class DesignPreview : public ::testing::TestWithParam<PreviewCase> {};

// The control as the plugin creates it shows more than the same control without sample figures,
// and what the form would save is what a new control saves.
TEST_P(DesignPreview, ShowsSampleFiguresAtItsSizeWithoutChangingWhatTheFormSaves) {
    const PreviewCase& c = GetParam();
    QDesignerCustomWidgetInterface* plugin = nullptr;
    for (QDesignerCustomWidgetInterface* widget : PluginWidgets())
        if (widget->name() == "k7::" + c.Control)
            plugin = widget;
    ASSERT_NE(plugin, nullptr);

    QWidget form;
    form.resize(1200, 900);
    auto* control = dynamic_cast<ControlBase*>(plugin->createWidget(&form));
    ASSERT_NE(control, nullptr);
    const QSize size = (QSizeF(control->size()) * c.Scale).toSize();
    control->resize(size);
    form.show();
    auto* preview = control->findChild<QWidget*>("k7DesignPreview");
    ASSERT_NE(preview, nullptr);
    QDeadlineTimer deadline(20000);
    while (!(preview->isVisible() && preview->size() == size) && !deadline.hasExpired())
        QTest::qWait(20);
    ASSERT_EQ(preview->size(), size);
    const QImage shown = control->grab().toImage();

    std::unique_ptr<ControlBase> plain = ControlCatalog::Create(c.Control, &form);
    plain->SetDesignTime(true);
    plain->resize(size);
    plain->show();
    QTest::qWait(0);
    const QImage blank = plain->grab().toImage();

    EXPECT_NE(shown, blank);
    EXPECT_GE(Colours(shown), 4);
    EXPECT_GT(Colours(shown), Colours(blank));
    EXPECT_EQ(Saved(*control), Saved(*plain));
}

std::vector<PreviewCase> Cases() {
    std::vector<PreviewCase> cases;
    for (const QString& name : ControlCatalog::Names())
        for (const double scale : {1.0, 1.6})
            cases.push_back({name, scale});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Catalog, DesignPreview, ::testing::ValuesIn(Cases()), [](const auto& info) {
    return info.param.Control.toStdString() + (info.param.Scale == 1.0 ? "AtDesignSize" : "Larger");
});

TEST(DesignerIcons, EveryControlHasAnIconOfItsOwn) {
    QList<QImage> seen;
    for (QDesignerCustomWidgetInterface* widget : PluginWidgets()) {
        SCOPED_TRACE(widget->name().toStdString());
        const QIcon icon = widget->icon();
        ASSERT_FALSE(icon.isNull());
        const QImage image = icon.pixmap(32, 32).toImage();
        EXPECT_GE(Colours(image), 3);
        EXPECT_FALSE(seen.contains(image));
        seen << image;
    }
    EXPECT_EQ(seen.size(), ControlCatalog::Names().size());
}

} // namespace
