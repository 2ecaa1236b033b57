// What Qt's layouts and Designer's property editor expect of every control of the catalog: a size
// hint, and a change signal for each property they write. A control joins by being registered.

#include "support/Printers.h"
#include "support/RecordingHost.h"

#include "controls/ControlCatalog.h"
#include "frame/control/ControlBase.h"

#include <QMetaMethod>
#include <QMetaProperty>
#include <QSignalSpy>

#include <gtest/gtest.h>

using k7::ControlBase;

namespace {

class QtConventions : public ::testing::TestWithParam<QString> {
protected:
    std::unique_ptr<ControlBase> Make() const {
        auto control = k7::ControlCatalog::Create(GetParam());
        EXPECT_NE(control, nullptr);
        return control;
    }
};

// A value of the same meta-type that the property takes and that differs from `current`: Booleans
// shown as text toggle, figures shown as text count on, other text grows.
QVariant Another(const QVariant& current) {
    switch (current.metaType().id()) {
    case QMetaType::Bool:
        return !current.toBool();
    case QMetaType::Int:
        return current.toInt() + 1;
    case QMetaType::UInt:
        return current.toUInt() ^ 0x00123456u;
    case QMetaType::Double:
        return current.toDouble() + 1.5;
    default:
        break;
    }
    const QString text = current.toString();
    if (text == "True" || text == "False")
        return QString(text == "True" ? "False" : "True");
    bool figure = false;
    if (const int number = text.toInt(&figure); figure)
        return QString::number(number + 1);
    return QString(text + "x");
}

// Written as Designer writes them (through the meta-object, at design time): an equal value is
// silent, a change is announced once, and writing the new value again is silent.
TEST_P(QtConventions, EveryWritablePropertyAnnouncesEachRealChangeOnce) {
    const auto control = Make();
    control->SetDesignTime(true);
    const QMetaObject* meta = control->metaObject();
    int writable = 0;
    for (int i = QWidget::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!property.isWritable())
            continue;
        ++writable;
        const std::string name = property.name();
        const k7::PropertyDefinition* row = control->Properties().Find(property.name());
        ASSERT_NE(row, nullptr) << name;
        EXPECT_NE(row->Access, k7::PropertyAccess::ReadOnly) << name;
        ASSERT_TRUE(property.hasNotifySignal()) << name;
        const QMetaMethod notify = property.notifySignal();
        EXPECT_EQ(notify.name(), QByteArray(property.name()) + "Changed");
        EXPECT_EQ(notify.parameterCount(), 0) << name;

        QSignalSpy announced(control.get(), notify);
        const QVariant before = property.read(control.get());
        ASSERT_TRUE(property.write(control.get(), before)) << name;
        EXPECT_EQ(announced.count(), 0) << name << ": the value it had";
        const QVariant changed = Another(before);
        ASSERT_TRUE(property.write(control.get(), changed)) << name;
        EXPECT_NE(property.read(control.get()), before) << name << " took no new value";
        EXPECT_EQ(announced.count(), 1) << name << ": a change";
        ASSERT_TRUE(property.write(control.get(), property.read(control.get()))) << name;
        EXPECT_EQ(announced.count(), 1) << name << ": the new value again";
        EXPECT_EQ(control->Error(), "") << name;
    }
    EXPECT_GT(writable, 0);
}

// A notifying write the host declines changes nothing, so nothing is announced either.
TEST_P(QtConventions, AChangeTheHostDeclinesIsNotAnnounced) {
    const auto control = Make();
    RecordingHost host;
    host.Approve = false;
    control->SetHost(&host);
    int declined = 0;
    for (const k7::PropertyDefinition& row : control->Properties().Definitions()) {
        if (row.Form != k7::WriteForm::Notifying || row.Write || row.Access == k7::PropertyAccess::ReadOnly)
            continue;
        ++declined;
        const QMetaProperty property = control->metaObject()->property(
            control->metaObject()->indexOfProperty(row.Name.toLatin1().constData()));
        QSignalSpy announced(control.get(), property.notifySignal());
        const QVariant before = property.read(control.get());
        property.write(control.get(), Another(before));
        EXPECT_EQ(property.read(control.get()), before) << row.Name.toStdString();
        EXPECT_EQ(announced.count(), 0) << row.Name.toStdString();
    }
    if (declined == 0)
        GTEST_SKIP() << "no notifying property";
}

// Layouts get the extent the control is designed at, in pixels, and keep getting it after a host
// resizes the control.
TEST_P(QtConventions, SizeHintIsTheDesignExtentInPixels) {
    const auto control = Make();
    const QSize created = control->size();
    EXPECT_FALSE(created.isEmpty());
    EXPECT_EQ(control->sizeHint(), created);
    control->SetExtent(control->Width() * 2, control->Height() / 2);
    EXPECT_NE(control->size(), created);
    EXPECT_EQ(control->sizeHint(), created);
}

INSTANTIATE_TEST_SUITE_P(Catalog, QtConventions, ::testing::ValuesIn(k7::ControlCatalog::Names()),
                         [](const auto& info) { return info.param.toStdString(); });

} // namespace
