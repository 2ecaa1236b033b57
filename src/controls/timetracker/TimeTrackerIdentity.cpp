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
            {InitializerProperty, 0x68030016},
            {APIHostProperty, 0x68030015},
            {CompanyProperty, 0x68030014},
            {SessionProperty, 0x68030013},
            {ProcessProperty, 0x68030012},
            {BarsProperty, 0x68030011},
            {ErrorProperty, 0x68030010},
            {"InitTimer", 0x60030017},
            {"Refresh", 0x6003001B},
            {"Reset", 0x6003001C},
            {"ChartCreation", 0x6003001D},
            {"Resize", 0x6003001F},
        },
    };
    return identity;
}

} // namespace k7
