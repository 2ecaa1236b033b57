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
            {QStringLiteral("APIHost"), QStringLiteral("property"), 0x6803000E},
            {QStringLiteral("Company"), QStringLiteral("property"), 0x6803000D},
            {QStringLiteral("Session"), QStringLiteral("property"), 0x6803000C},
            {QStringLiteral("Process"), QStringLiteral("property"), 0x6803000B},
            {QStringLiteral("FontSize"), QStringLiteral("property"), 0x6803000A},
            {QStringLiteral("Error"), QStringLiteral("property (read-only)"), 0x68030009},
            {QStringLiteral("Refresh"), QStringLiteral("method"), 0x6003000F},
            {QStringLiteral("RefreshProd"), QStringLiteral("method"), 0x60030010},
            {QStringLiteral("Createlabels"), QStringLiteral("method"), 0x60030011},
        },
    };
    return identity;
}

} // namespace k7
