#include "controls/oeetracker/OEETracker.h"

namespace k7 {

const ComponentIdentity& OEETracker::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("OEETracker"),
        QStringLiteral("{D28EC302-7705-49BF-86D2-426F15193C2D}"),
        QStringLiteral("_OEETracker"),
        QStringLiteral("{2BE7F7AA-B87F-4005-8585-2A60E4C472E5}"),
        QStringLiteral("__OEETracker"),
        QStringLiteral("{44A1FAE2-BFE7-4165-9BC7-00920FDDD9A8}"),
        QStringLiteral("RemoteControl()"),
        {
            {QStringLiteral("APIHost"), QStringLiteral("property"), 0x68030015},
            {QStringLiteral("Company"), QStringLiteral("property"), 0x68030014},
            {QStringLiteral("Session"), QStringLiteral("property"), 0x68030013},
            {QStringLiteral("Process"), QStringLiteral("property"), 0x68030012},
            {QStringLiteral("StartDate"), QStringLiteral("property"), 0x68030011},
            {QStringLiteral("BarNum"), QStringLiteral("property"), 0x68030010},
            {QStringLiteral("Error"), QStringLiteral("property (read-only)"), 0x6803000F},
            {QStringLiteral("Refresh"), QStringLiteral("method"), 0x60030018},
            {QStringLiteral("LoadFullChart"), QStringLiteral("method"), 0x60030019},
            {QStringLiteral("LoadOneDay"), QStringLiteral("method"), 0x6003001A},
            {QStringLiteral("ShowData"), QStringLiteral("method"), 0x6003001B},
            {QStringLiteral("LoadFullDays"), QStringLiteral("method"), 0x6003001C},
            {QStringLiteral("ChartCreation"), QStringLiteral("method"), 0x6003001D},
        },
    };
    return identity;
}

} // namespace k7
