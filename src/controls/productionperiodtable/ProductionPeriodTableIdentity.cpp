#include "controls/productionperiodtable/ProductionPeriodTable.h"

namespace k7 {

const ComponentIdentity& ProductionPeriodTable::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("ProductionPeriodTable"),
        QStringLiteral("{E2BE2840-4324-461F-BBF7-87148E0D13DA}"),
        QStringLiteral("_ProductionPeriodTable"),
        QStringLiteral("{0108CA8E-D5D1-4635-B765-4FCB7931BB37}"),
        QStringLiteral("__ProductionPeriodTable"),
        QStringLiteral("{C0177605-913D-4051-98F1-C9B2FA4C9DDD}"),
        QStringLiteral("PropertyChanged()"),
        {
            {APIHostProperty, 0x68030038},
            {CompanyProperty, 0x68030037},
            {SessionProperty, 0x68030036},
            {ProcessProperty, 0x68030035},
            {StartDateProperty, 0x68030034},
            {EndDateProperty, 0x68030033},
            {FontSizeProperty, 0x68030032},
            {FontNameProperty, 0x68030031},
            {FontItalicProperty, 0x68030030},
            {FontBoldProperty, 0x6803002F},
            {FontColorProperty, 0x6803002E},
            {ErrorProperty, 0x6803002D},
            // The caption lists are write-only in the interface.
            {LabelOEEProperty, 0x6803002C},
            {LabelTargetProperty, 0x6803002B},
            {LabelGreenTargetProperty, 0x6803002A},
            {LabelProducedProperty, 0x68030029},
            {LabelBadProperty, 0x68030028},
            {LabelGoodProperty, 0x68030027},
            {LabelTotalProperty, 0x68030026},
            {PlannedProperty, 0x68030025},
            {RatiosTypeProperty, 0x68030024},
            {RatiosTypeTargetProperty, 0x68030023},
            {ProducedProperty, 0x68030022},
            {BadProperty, 0x68030021},
            {GoodProperty, 0x68030020},
            {DifferenceProperty, 0x6803001F},
            {AccumulatedProperty, 0x6803001E},
            {"Refresh", 0x6003003A},
            {"LoadFullTable", 0x6003003B},
        },
    };
    return identity;
}

} // namespace k7
