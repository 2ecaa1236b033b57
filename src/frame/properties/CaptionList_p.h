#pragma once

#include <QString>
#include <QStringList>

namespace k7 {

class Label;
class PopupMenu;

// A caption list, as a host writes one into a property: "a,b,c", or "a,b,c;long a,long b,long c"
// with an explanation of each item. A text without a comma is a plain caption, no list. A row
// caption shows the item its switch selects and opens a menu of the items, whose entries name
// the explanation when it differs ("a (long a)").
struct CaptionList {
    bool HasItems = false;
    QStringList Short;
    QStringList Long;

    static CaptionList Parse(const QString& text);

    // The caption `cell` shows for `item` of `list`: the item, underlined because it opens a menu;
    // the whole text, not underlined, when the list has no items. 9 for an item the list lacks.
    static QString Select(const QString& list, Label& cell, int item);

    // Names items 1, 2, ... of `menu` after the list's items (a menu's first item is its own);
    // nothing when the list has none. 340 for a list longer than the menu, after the items
    // before it are named.
    static void NameMenuItems(const QString& list, PopupMenu& menu);
};

} // namespace k7
