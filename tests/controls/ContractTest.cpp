// What every control of the catalog owes its host, and what Qt's layouts and Designer's property
// editor expect of it, checked once for all of them: a control joins these tests by being
// registered.

#include "ChildDescriptions.h"
#include "support/Printers.h"
#include "support/RecordingHost.h"
#include "support/ScriptedRequest.h"

#include "controls/ControlCatalog.h"
#include "core/RuntimeError.h"
#include "frame/control/ServiceControl.h"
#include "frame/properties/PropertyBag.h"

#include <QMetaMethod>
#include <QMetaProperty>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <set>

using k7::ControlBase;
using k7::PropertyDefinition;
using k7::PropertyType;
using k7::Variant;

namespace {

class ControlContract : public ::testing::TestWithParam<QString> {
protected:
    std::unique_ptr<ControlBase> Make() const {
        auto control = k7::ControlCatalog::Create(GetParam());
        EXPECT_NE(control, nullptr);
        return control;
    }
};

// A value of the property's type that differs from `current`.
Variant Another(PropertyType type, const Variant& current) {
    switch (type) {
    case PropertyType::String:
        return Variant(current.ToText() + "x");
    case PropertyType::Boolean:
        return Variant(!current.ToBoolean());
    case PropertyType::Byte:
        return Variant(uint8_t((current.ToInteger() + 1) % 256));
    case PropertyType::Integer:
        return Variant(int16_t(current.ToInteger() + 1));
    case PropertyType::Long:
        return Variant(int32_t(current.ToLong() + 1));
    case PropertyType::Single:
        return Variant(current.ToSingle() + 1.5f);
    case PropertyType::Double:
        return Variant(current.ToDouble() + 1.5);
    case PropertyType::Color:
        return Variant(int32_t(current.ToLong() ^ 0x00123456));
    }
    return Variant();
}

// A property's row, getter and setter come from its one line; what can still go astray is the
// Q_PROPERTY line the header writes beside it (missing, or of another type than the line shows) or
// the identity member. The identity itself (names, GUIDs, dispatch ids) is pinned by the golden
// dumps.
TEST_P(ControlContract, InterfaceTableAndMetaObjectNameTheSameProperties) {
    const auto control = Make();
    const k7::ComponentIdentity& identity = control->Identity();
    const QMetaObject* meta = control->metaObject();
    std::set<QString> fromInterface, fromMetaObject, fromTable;
    for (const k7::DispatchMember& member : identity.Members) {
        if (member.Kind != "method") {
            fromInterface.insert(member.Name);
            continue;
        }
        bool invokable = false;
        for (int i = 0; i < meta->methodCount(); ++i)
            invokable = invokable || QString::fromLatin1(meta->method(i).name()) == member.Name;
        EXPECT_TRUE(invokable) << member.Name.toStdString() << " is no Q_INVOKABLE";
    }
    for (int i = QWidget::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
        fromMetaObject.insert(QString::fromLatin1(meta->property(i).name()));
    for (const PropertyDefinition& row : control->Properties().Definitions()) {
        fromTable.insert(row.Name);
        const QMetaProperty property = meta->property(meta->indexOfProperty(row.Name.toLatin1().constData()));
        EXPECT_STREQ(property.metaType().name(), row.Shown.name()) << row.Name.toStdString();
    }
    fromTable.insert("Error");
    EXPECT_EQ(fromMetaObject, fromInterface);
    EXPECT_EQ(fromTable, fromInterface);
    EXPECT_GE(meta->indexOfSignal(QMetaObject::normalizedSignature(identity.Event.toLatin1().constData())), 0)
        << identity.Event.toStdString();
}

// Empty at first: in the golden dumps; not writable as a Q_PROPERTY: the interface test above.
TEST_P(ControlContract, ErrorCannotBeAssigned) {
    const auto control = Make();
    EXPECT_THROW(control->Assign("Error", Variant("5-x")), k7::RuntimeError);
    EXPECT_EQ(control->Error(), "");
}

// Every persisted value, changed from what a new control saves (and from its default), comes back
// exactly: restored into a fresh control and saved again, the store holds what it held.
TEST_P(ControlContract, PersistenceRestoresEverySavedValueExactlyAndDefaultsWhatIsMissing) {
    const auto original = Make();
    k7::PropertyBag saved;
    original->WriteProperties(saved);
    k7::PropertyBag changed;
    for (const PropertyDefinition* row : original->Properties().WriteSequence()) {
        const PropertyType type = k7::PropertyTable::PersistedType(*row);
        Variant value = Another(type, saved.ReadProperty(row->PersistenceName));
        if (value == k7::PropertyTable::Convert(type, row->Default))
            value = Another(type, value);
        changed.WriteProperty(row->PersistenceName, value);
    }
    EXPECT_EQ(saved.Names(), changed.Names()) << "every persisted value is written, in the write order";

    const auto restored = Make();
    RecordingHost host;
    restored->SetHost(&host);
    restored->ReadProperties(changed);
    k7::PropertyBag again;
    restored->WriteProperties(again);
    for (const QString& name : changed.Names())
        EXPECT_EQ(again.ReadProperty(name), changed.ReadProperty(name)) << name.toStdString();
    EXPECT_TRUE(host.Asked.isEmpty()) << "restoring asks nobody";

    const auto fresh = Make();
    fresh->ReadProperties(k7::PropertyBag());
    for (const PropertyDefinition* row : fresh->Properties().ReadSequence())
        EXPECT_EQ(fresh->Value(row->Name), k7::PropertyTable::Convert(row->Type, row->Default))
            << row->Name.toStdString();
}

TEST_P(ControlContract, WithoutAnAPIHostRefreshSendsNothingShowsNothingNewAndReturnsFalse) {
    const auto control = Make();
    auto* service = dynamic_cast<k7::ServiceControl*>(control.get());
    if (service == nullptr)
        GTEST_SKIP() << "addresses no REST service";
    auto replies = std::make_shared<ScriptedReplies>();
    service->SetRequestFactory(ScriptedRequest::Factory(replies));
    service->setProcess("P100");
    EXPECT_FALSE(control->Refresh(false));
    const QString shown = DescribedChildren(*control);
    EXPECT_FALSE(control->Refresh(true));
    EXPECT_EQ(DescribedChildren(*control), shown) << "what the first layout shows stays";
    EXPECT_TRUE(replies->Sent.isEmpty());
    EXPECT_EQ(control->Error(), "");
}

// --- what Qt's layouts and Designer's property editor expect: a size hint, and a change signal for
// each property they write --------------------------------------------------------------------

// A value of the same meta-type that the property takes and that differs from `current`: Booleans
// shown as text toggle, figures shown as text count on, other text grows.
QVariant AnotherShown(const QVariant& current) {
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
TEST_P(ControlContract, EveryWritablePropertyAnnouncesEachRealChangeOnce) {
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
        const QVariant changed = AnotherShown(before);
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
TEST_P(ControlContract, AChangeTheHostDeclinesIsNotAnnounced) {
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
        property.write(control.get(), AnotherShown(before));
        EXPECT_EQ(property.read(control.get()), before) << row.Name.toStdString();
        EXPECT_EQ(announced.count(), 0) << row.Name.toStdString();
    }
    if (declined == 0)
        GTEST_SKIP() << "no notifying property";
}

// Layouts get the extent the control is designed at, in pixels, and keep getting it after a host
// resizes the control.
TEST_P(ControlContract, SizeHintIsTheDesignExtentInPixels) {
    const auto control = Make();
    const QSize created = control->size();
    EXPECT_FALSE(created.isEmpty());
    EXPECT_EQ(control->sizeHint(), created);
    control->SetExtent(control->Width() * 2, control->Height() / 2);
    EXPECT_NE(control->size(), created);
    EXPECT_EQ(control->sizeHint(), created);
}

INSTANTIATE_TEST_SUITE_P(Catalog, ControlContract, ::testing::ValuesIn(k7::ControlCatalog::Names()),
                         [](const auto& info) { return info.param.toStdString(); });

} // namespace
