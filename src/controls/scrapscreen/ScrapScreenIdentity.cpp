#include "controls/scrapscreen/ScrapScreen.h"

namespace k7 {

const ComponentIdentity& ScrapScreen::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("ScrapScreen"),
        QStringLiteral("{778A2379-D2AD-421D-8A9B-0E1A01B6AF30}"),
        QStringLiteral("_ScrapScreen"),
        QStringLiteral("{2F12316D-4831-4B39-A929-AB5715AD982E}"),
        QStringLiteral("__ScrapScreen"),
        QStringLiteral("{E4EB7B96-14F3-40BC-8D3C-3F9F4460BECB}"),
        QStringLiteral("RemoteControl(QString&)"),
        {
            {APIHostProperty, 0x6803000E},
            {SessionProperty, 0x6803000D},
            {CompanyProperty, 0x6803000C},
            {ProcessProperty, 0x6803000B},
            {ErrorProperty, 0x6803000A},
            {"Refresh", 0x6003000F},
            {"LoadData", 0x60030011},
            {"RefreshBtn", 0x60030012},
            {"CellsCreation", 0x60030013},
        },
    };
    return identity;
}

} // namespace k7
