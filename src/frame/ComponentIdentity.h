#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace k7 {

// One member of a control's default interface with its dispatch identifier (properties
// 0x6803xxxx, methods 0x6003xxxx), for hosts that bind by identifier.
struct DispatchMember {
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
