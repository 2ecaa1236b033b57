#include "controls/prodcode/ProdCode.h"

namespace k7 {

const ComponentIdentity& ProdCode::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("ProdCode"),
        QStringLiteral("{93F6321F-4759-4AA0-8964-27FF6A1D0A9C}"),
        QStringLiteral("_ProdCode"),
        QStringLiteral("{6E8ADD70-ABDF-458C-B3F7-09DB743CD8AD}"),
        QStringLiteral("__ProdCode"),
        QStringLiteral("{A354E432-8105-4E13-948E-17D223F3CED6}"),
        QStringLiteral("RemoteControl()"),
        {
            {APIHostProperty, 0x6803000E},
            {CompanyProperty, 0x6803000D},
            {SessionProperty, 0x6803000C},
            {ProcessProperty, 0x6803000B},
            {FontSizeProperty, 0x6803000A},
            {ErrorProperty, 0x68030009},
            {"Refresh", 0x6003000F},
            {"RefreshProd", 0x60030010},
            {"Createlabels", 0x60030011},
        },
    };
    return identity;
}

} // namespace k7
