#include "controls/productionperiodtable/ProductionPeriodTable.h"

namespace k7 {

const ComponentIdentity& ProductionPeriodTable::ClassIdentity() {
    const QString property = QStringLiteral("property");
    static const ComponentIdentity identity{
        QStringLiteral("ProductionPeriodTable"),
        QStringLiteral("{E2BE2840-4324-461F-BBF7-87148E0D13DA}"),
        QStringLiteral("_ProductionPeriodTable"),
        QStringLiteral("{0108CA8E-D5D1-4635-B765-4FCB7931BB37}"),
        QStringLiteral("__ProductionPeriodTable"),
        QStringLiteral("{C0177605-913D-4051-98F1-C9B2FA4C9DDD}"),
        QStringLiteral("PropertyChanged()"),
        {
            {QStringLiteral("APIHost"), property, 0x68030038},
            {QStringLiteral("Company"), property, 0x68030037},
            {QStringLiteral("Session"), property, 0x68030036},
            {QStringLiteral("Process"), property, 0x68030035},
            {QStringLiteral("StartDate"), property, 0x68030034},
            {QStringLiteral("EndDate"), property, 0x68030033},
            {QStringLiteral("FontSize"), property, 0x68030032},
            {QStringLiteral("FontName"), property, 0x68030031},
            {QStringLiteral("FontItalic"), property, 0x68030030},
            {QStringLiteral("FontBold"), property, 0x6803002F},
            {QStringLiteral("FontColor"), property, 0x6803002E},
            {QStringLiteral("Error"), QStringLiteral("property (read-only)"), 0x6803002D},
            // The caption lists are write-only in the interface.
            {QStringLiteral("LabelOEE"), property, 0x6803002C},
            {QStringLiteral("LabelTarget"), property, 0x6803002B},
            {QStringLiteral("LabelGreenTarget"), property, 0x6803002A},
            {QStringLiteral("LabelProduced"), property, 0x68030029},
            {QStringLiteral("LabelBad"), property, 0x68030028},
            {QStringLiteral("LabelGood"), property, 0x68030027},
            {QStringLiteral("LabelTotal"), property, 0x68030026},
            {QStringLiteral("Planned"), property, 0x68030025},
            {QStringLiteral("RatiosType"), property, 0x68030024},
            {QStringLiteral("RatiosTypeTarget"), property, 0x68030023},
            {QStringLiteral("Produced"), property, 0x68030022},
            {QStringLiteral("Bad"), property, 0x68030021},
            {QStringLiteral("Good"), property, 0x68030020},
            {QStringLiteral("Difference"), property, 0x6803001F},
            {QStringLiteral("Accumulated"), property, 0x6803001E},
            {QStringLiteral("Refresh"), QStringLiteral("method"), 0x6003003A},
            {QStringLiteral("LoadFullTable"), QStringLiteral("method"), 0x6003003B},
        },
    };
    return identity;
}

} // namespace k7
