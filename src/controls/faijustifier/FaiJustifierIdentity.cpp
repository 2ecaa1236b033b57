#include "controls/faijustifier/FaiJustifier.h"

namespace k7 {

const ComponentIdentity& FaiJustifier::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("FaiJustifier"),
        QStringLiteral("{077F6062-AC5E-47E9-83F1-59AED3DF6D69}"),
        QStringLiteral("_FaiJustifier"),
        QStringLiteral("{CEC65E5F-2D00-4399-B1C2-AC91BF385D88}"),
        QStringLiteral("__FaiJustifier"),
        QStringLiteral("{0E47092E-3BBC-4ADE-95DD-8673CD0CFD60}"),
        QStringLiteral("RemoteControl()"),
        {
            {QStringLiteral("APIHost"), QStringLiteral("property"), 0x6803000A},
            {QStringLiteral("Company"), QStringLiteral("property"), 0x68030009},
            {QStringLiteral("Session"), QStringLiteral("property"), 0x68030008},
            {QStringLiteral("Process"), QStringLiteral("property"), 0x68030007},
            {QStringLiteral("Error"), QStringLiteral("property (read-only)"), 0x68030006},
            {QStringLiteral("Refresh"), QStringLiteral("method"), 0x6003000B},
        },
    };
    return identity;
}

} // namespace k7
