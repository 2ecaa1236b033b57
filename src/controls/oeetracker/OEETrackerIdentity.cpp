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
            {APIHostProperty, 0x68030015},
            {CompanyProperty, 0x68030014},
            {SessionProperty, 0x68030013},
            {ProcessProperty, 0x68030012},
            {StartDateProperty, 0x68030011},
            {BarNumProperty, 0x68030010},
            {ErrorProperty, 0x6803000F},
            {"Refresh", 0x60030018},
            {"LoadFullChart", 0x60030019},
            {"LoadOneDay", 0x6003001A},
            {"ShowData", 0x6003001B},
            {"LoadFullDays", 0x6003001C},
            {"ChartCreation", 0x6003001D},
        },
    };
    return identity;
}

} // namespace k7
