#include "frame/properties/CaptionList_p.h"

#include "core/RuntimeError.h"
#include "frame/children/Label.h"
#include "frame/children/PopupMenu.h"

namespace k7 {

CaptionList CaptionList::Parse(const QString& text) {
    CaptionList list;
    if (!text.contains(QLatin1Char(',')))
        return list;
    if (text.contains(QLatin1Char(';'))) {
        const QStringList parts = text.split(QLatin1Char(';'));
        list.Short = parts[0].split(QLatin1Char(','));
        list.Long = parts[1].split(QLatin1Char(','));
    } else {
        list.Short = text.split(QLatin1Char(','));
        list.Long = list.Short;
    }
    list.HasItems = list.Short.size() >= 2;
    return list;
}

QString CaptionList::Select(const QString& list, Label& cell, int item) {
    const CaptionList parsed = Parse(list);
    if (!parsed.HasItems) {
        cell.SetFontUnderline(false);
        return list;
    }
    if (item < 0 || item >= parsed.Short.size())
        Raise(ErrorNumber::SubscriptOutOfRange);
    cell.SetFontUnderline(true);
    return parsed.Short[item];
}

void CaptionList::NameMenuItems(const QString& list, PopupMenu& menu) {
    const CaptionList parsed = Parse(list);
    if (!parsed.HasItems)
        return;
    for (qsizetype i = 0; i < parsed.Short.size(); ++i) {
        const QString& shortName = parsed.Short[i];
        const bool explained = i < parsed.Long.size() && parsed.Long[i] != shortName;
        menu.SetCaption(static_cast<int>(i + 1),
                        explained ? shortName + QStringLiteral(" (") + parsed.Long[i] + QLatin1Char(')')
                                  : shortName);
    }
}

} // namespace k7
