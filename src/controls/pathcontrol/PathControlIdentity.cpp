#include "controls/pathcontrol/PathControl.h"

namespace k7 {

const ComponentIdentity& PathControl::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("PathControl"),
        QStringLiteral("{04A02440-3DDD-47CE-A4E2-855F13D8871D}"),
        QStringLiteral("_PathControl"),
        QStringLiteral("{AA689773-EFD5-4F9F-9F62-D41DD7F29B73}"),
        QStringLiteral("__PathControl"),
        QStringLiteral("{9C767660-401A-4573-B13A-84EC973C12C9}"),
        QStringLiteral("RemoteControl()"),
        {
            {QStringLiteral("TextRotate"), QStringLiteral("method"), 0x60030031},
            {QStringLiteral("Refresh"), QStringLiteral("method"), 0x60030035},
            {QStringLiteral("Processing"), QStringLiteral("method"), 0x60030039},
            {QStringLiteral("Paint"), QStringLiteral("method"), 0x6003003A},
            {QStringLiteral("LastRefresh"), QStringLiteral("property (read-only)"), 0x68030030},
            {QStringLiteral("Reset"), QStringLiteral("method"), 0x60030045},
            {QStringLiteral("URL"), QStringLiteral("property"), 0x6803002F},
            {QStringLiteral("IP"), QStringLiteral("property"), 0x6803002E},
            {QStringLiteral("Port"), QStringLiteral("property"), 0x6803002D},
            {QStringLiteral("Company"), QStringLiteral("property"), 0x6803002C},
            {QStringLiteral("Session"), QStringLiteral("property"), 0x6803002B},
            {QStringLiteral("Area"), QStringLiteral("property"), 0x6803002A},
            {QStringLiteral("Process"), QStringLiteral("property"), 0x68030029},
            {QStringLiteral("StartDate"), QStringLiteral("property"), 0x68030028},
            {QStringLiteral("EndDate"), QStringLiteral("property"), 0x68030027},
            {QStringLiteral("User"), QStringLiteral("property"), 0x68030026},
            {QStringLiteral("Device"), QStringLiteral("property"), 0x68030025},
            {QStringLiteral("HoursExtraAdd"), QStringLiteral("property"), 0x68030024},
            {QStringLiteral("Error"), QStringLiteral("property (read-only)"), 0x68030023},
            {QStringLiteral("Planned"), QStringLiteral("property"), 0x68030048},
            {QStringLiteral("RatiosType"), QStringLiteral("property"), 0x68030047},
            {QStringLiteral("RatiosTypeTarget"), QStringLiteral("property"), 0x68030046},
        },
    };
    return identity;
}

} // namespace k7
