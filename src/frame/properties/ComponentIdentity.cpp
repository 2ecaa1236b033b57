#include "frame/properties/ComponentIdentity.h"

namespace k7 {

const TypeLibraryIdentity& TypeLibraryIdentity::OrvelK7Controls() {
    static const TypeLibraryIdentity identity{
        QStringLiteral("OrvelK7Controls"),
        QStringLiteral("{FCEA25EE-95D6-42E1-87F4-3550F2CD567A}"),
        QStringLiteral("11.2"),
        QStringLiteral("Orvel K7 Controls"),
    };
    return identity;
}

} // namespace k7
