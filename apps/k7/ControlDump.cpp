#include "ControlDump.h"

#include "ScriptedHost.h"

#include "frame/control/ControlBase.h"
#include "frame/control/Description.h"
#include "json/JsonBag.h"

namespace k7::cli {

namespace {

void DescribeIdentity(Description out, const ComponentIdentity& identity) {
    const TypeLibraryIdentity& library = TypeLibraryIdentity::OrvelK7Controls();
    out.Object(QStringLiteral("library"))
        .Field(QStringLiteral("name"), Variant(library.Name))
        .Field(QStringLiteral("libid"), Variant(library.LibId))
        .Field(QStringLiteral("version"), Variant(library.Version))
        .Field(QStringLiteral("helpString"), Variant(library.HelpString));
    out.Field(QStringLiteral("classId"), Variant(identity.ClassId))
        .Field(QStringLiteral("defaultInterface"), Variant(identity.DefaultInterface))
        .Field(QStringLiteral("defaultInterfaceId"), Variant(identity.DefaultInterfaceId))
        .Field(QStringLiteral("eventInterface"), Variant(identity.EventInterface))
        .Field(QStringLiteral("eventInterfaceId"), Variant(identity.EventInterfaceId))
        .Field(QStringLiteral("event"), Variant(identity.Event));
    Description members = out.Array(QStringLiteral("members"));
    for (const DispatchMember& member : identity.Members)
        members.Append()
            .Field(QStringLiteral("name"), Variant(member.Name))
            .Field(QStringLiteral("kind"), Variant(member.Kind))
            .Field(QStringLiteral("dispid"),
                   Variant(QStringLiteral("0x") +
                           QString::number(member.DispatchId, 16).toUpper().rightJustified(8, QLatin1Char('0'))));
}

} // namespace

std::shared_ptr<JsonBag> ControlDump::Build(const ControlBase& control, const ScriptedHost* host) {
    Description document(JsonBag::Create());
    document.Field(QStringLiteral("control"), Variant(control.Identity().ControlName))
        .Field(QStringLiteral("width"), Variant(control.Width()))
        .Field(QStringLiteral("height"), Variant(control.Height()));

    Description properties = document.Object(QStringLiteral("properties"));
    for (const DispatchMember& member : control.Identity().Members) {
        if (!member.Kind.startsWith(QLatin1String("property")))
            continue;
        properties.Field(member.Name, member.Name == QLatin1String("Error") ? Variant(control.Error())
                                                                            : control.Value(member.Name));
    }

    Description children = document.Array(QStringLiteral("children"));
    for (const auto& child : control.Children()) {
        Description entry = children.Append();
        entry.Field(QStringLiteral("name"), Variant(child->Name()))
            .Field(QStringLiteral("index"), child->Index() >= 0 ? Variant(int32_t(child->Index())) : Variant::Null())
            .Field(QStringLiteral("kind"), Variant(child->Kind()));
        child->Describe(entry);
    }

    if (host != nullptr)
        host->Describe(document.Array(QStringLiteral("host")));
    DescribeIdentity(document.Object(QStringLiteral("identity")), control.Identity());
    return document.Bag();
}

} // namespace k7::cli
