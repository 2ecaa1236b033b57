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
            {"TextRotate", 0x60030031},        {"Refresh", 0x60030035},
            {"Processing", 0x60030039},        {"Paint", 0x6003003A},
            {LastRefreshProperty, 0x68030030}, {"Reset", 0x60030045},
            {URLProperty, 0x6803002F},         {IPProperty, 0x6803002E},
            {PortProperty, 0x6803002D},        {CompanyProperty, 0x6803002C},
            {SessionProperty, 0x6803002B},     {AreaProperty, 0x6803002A},
            {ProcessProperty, 0x68030029},     {StartDateProperty, 0x68030028},
            {EndDateProperty, 0x68030027},     {UserProperty, 0x68030026},
            {DeviceProperty, 0x68030025},      {HoursExtraAddProperty, 0x68030024},
            {ErrorProperty, 0x68030023},       {PlannedProperty, 0x68030048},
            {RatiosTypeProperty, 0x68030047},  {RatiosTypeTargetProperty, 0x68030046},
        },
    };
    return identity;
}

} // namespace k7
