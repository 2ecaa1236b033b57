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
            {APIHostProperty, 0x6803000A},
            {CompanyProperty, 0x68030009},
            {SessionProperty, 0x68030008},
            {ProcessProperty, 0x68030007},
            {ErrorProperty, 0x68030006},
            {"Refresh", 0x6003000B},
        },
    };
    return identity;
}

} // namespace k7
