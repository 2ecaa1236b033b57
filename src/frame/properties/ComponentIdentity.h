#pragma once

#include "frame/properties/PropertyKey.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace k7 {

// One member of a control's default interface with its dispatch identifier (properties
// 0x6803xxxx, methods 0x6003xxxx), for hosts that bind by identifier. A property is named by its
// key, so its name and whether it is read-only come from its declaration; the identifier is data.
struct DispatchMember {
    DispatchMember(PropertyKey property, uint32_t dispatchId)
        : Name(property.Text()),
          Kind(property.ReadOnly ? QStringLiteral("property (read-only)") : QStringLiteral("property")),
          DispatchId(dispatchId) {}
    // A Q_INVOKABLE method by its public name.
    DispatchMember(const char* method, uint32_t dispatchId)
        : Name(QString::fromLatin1(method)), Kind(QStringLiteral("method")), DispatchId(dispatchId) {}

    QString Name;
    QString Kind; // "property", "property (read-only)", "method"
    uint32_t DispatchId = 0;
};

// The registered identity of one control class: class id, dual default interface, event interface
// with its event (dispatch identifier 1) and the members in interface order. Kept as data next to
// each control; `k7 show --dump` lists it.
struct ComponentIdentity {
    QString ControlName;
    QString ClassId;
    QString DefaultInterface;
    QString DefaultInterfaceId;
    QString EventInterface;
    QString EventInterfaceId;
    QString Event; // the event's signature, e.g. "RemoteControl()"
    std::vector<DispatchMember> Members;
};

// The type library all seven controls belong to.
struct TypeLibraryIdentity {
    QString Name;
    QString LibId;
    QString Version;
    QString HelpString;

    static const TypeLibraryIdentity& OrvelK7Controls();
};

} // namespace k7
