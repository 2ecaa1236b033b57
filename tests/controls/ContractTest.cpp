// What every control of the catalog owes its host, checked once for all of them: a control joins
// these tests by being registered.

#include "support/Printers.h"
#include "support/RecordingHost.h"
#include "support/ScriptedRequest.h"

#include "controls/ControlCatalog.h"
#include "core/RuntimeError.h"
#include "frame/control/ServiceControl.h"
#include "frame/properties/PropertyBag.h"

#include <QMetaMethod>
#include <QMetaProperty>

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

// How a write follows its form is the frame's (FrameTest); that no two rows share a member shows in
// the persistence round trip below.
TEST_P(ControlContract, MetaObjectPropertiesReadAndWriteTheStoredValues) {
    const auto control = Make();
    const QMetaObject* meta = control->metaObject();
    for (int i = QWidget::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!property.isWritable())
            continue;
        const Variant before = control->Value(property.name());
        EXPECT_TRUE(property.write(control.get(), property.read(control.get()))) << property.name();
        EXPECT_EQ(control->Value(property.name()), before) << property.name();
    }
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

TEST_P(ControlContract, WithoutAnAPIHostRefreshSendsNothingAndReturnsFalse) {
    const auto control = Make();
    auto* service = dynamic_cast<k7::ServiceControl*>(control.get());
    if (service == nullptr)
        GTEST_SKIP() << "addresses no REST service";
    auto replies = std::make_shared<ScriptedReplies>();
    service->SetRequestFactory(ScriptedRequest::Factory(replies));
    service->setProcess("P100");
    EXPECT_FALSE(control->Refresh(false));
    EXPECT_FALSE(control->Refresh(true));
    EXPECT_TRUE(replies->Sent.isEmpty());
    EXPECT_EQ(control->Error(), "");
}

INSTANTIATE_TEST_SUITE_P(Catalog, ControlContract, ::testing::ValuesIn(k7::ControlCatalog::Names()),
                         [](const auto& info) { return info.param.toStdString(); });

} // namespace
