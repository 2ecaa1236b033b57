#include "controls/timetracker/TimeTracker.h"

namespace k7 {

const ComponentIdentity& TimeTracker::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("TimeTracker"),
        QStringLiteral("{A5F747C9-2DE1-4CB0-914D-A802EB7E92CB}"),
        QStringLiteral("_TimeTracker"),
        QStringLiteral("{C436CBA2-4645-4007-AE79-6F07C4112D5F}"),
        QStringLiteral("__TimeTracker"),
        QStringLiteral("{EABA3D54-0335-4B97-8B3A-1B5C761DD524}"),
        QStringLiteral("RemoteControl()"),
        {
            {QStringLiteral("Initializer"), QStringLiteral("property"), 0x68030016},
            {QStringLiteral("APIHost"), QStringLiteral("property"), 0x68030015},
            {QStringLiteral("Company"), QStringLiteral("property"), 0x68030014},
            {QStringLiteral("Session"), QStringLiteral("property"), 0x68030013},
            {QStringLiteral("Process"), QStringLiteral("property"), 0x68030012},
            {QStringLiteral("Bars"), QStringLiteral("property"), 0x68030011},
            {QStringLiteral("Error"), QStringLiteral("property (read-only)"), 0x68030010},
            {QStringLiteral("InitTimer"), QStringLiteral("method"), 0x60030017},
            {QStringLiteral("Refresh"), QStringLiteral("method"), 0x6003001B},
            {QStringLiteral("Reset"), QStringLiteral("method"), 0x6003001C},
            {QStringLiteral("ChartCreation"), QStringLiteral("method"), 0x6003001D},
            {QStringLiteral("Resize"), QStringLiteral("method"), 0x6003001F},
        },
    };
    return identity;
}

} // namespace k7
