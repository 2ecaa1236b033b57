#include "frame/children/PopupMenu.h"

#include "core/RuntimeError.h"
#include "frame/control/ControlBase.h"
#include "frame/control/ControlHost.h"
#include "frame/control/Description.h"
#include "frame/control/FrameErrors_p.h"

#include <QCursor>

namespace k7 {

struct PopupMenu::Private {
    QString itemsName;
    std::map<int, MenuItem> items;

    MenuItem& At(int index) {
        auto found = items.find(index);
        if (found == items.end())
            RaiseMissingElement(index);
        return found->second;
    }
};

PopupMenu::PopupMenu(ControlBase& owner, const QString& name, int index, QString itemsName)
    : ControlChild(owner, name, index), d(new Private{std::move(itemsName), {}}) {}

PopupMenu::~PopupMenu() = default;

const QString& PopupMenu::ItemsName() const {
    return d->itemsName;
}

bool PopupMenu::Exists(int index) const {
    return d->items.count(index) != 0;
}

const std::map<int, MenuItem>& PopupMenu::Items() const {
    return d->items;
}

void PopupMenu::Describe(Description& out) const {
    out.Field(QStringLiteral("items"), Variant(d->itemsName));
    Description entries = out.Array(QStringLiteral("entries"));
    for (const auto& [index, item] : d->items)
        entries.Append()
            .Field(QStringLiteral("index"), Variant(int32_t(index)))
            .Field(QStringLiteral("caption"), Variant(item.Caption))
            .Field(QStringLiteral("checked"), Variant(item.Checked))
            .Field(QStringLiteral("enabled"), Variant(item.Enabled))
            .Field(QStringLiteral("visible"), Variant(item.Visible));
}

void PopupMenu::SetItem(int index, const QString& caption) {
    MenuItem& item = d->items[index];
    item.Index = index;
    item.Caption = caption;
}

void PopupMenu::SetItems(int first, const QStringList& captions) {
    for (const QString& caption : captions)
        SetItem(first++, caption);
}

int PopupMenu::UBound() const {
    return d->items.empty() ? -1 : d->items.rbegin()->first;
}

const QString& PopupMenu::Caption(int index) const {
    return d->At(index).Caption;
}

void PopupMenu::SetCaption(int index, const QString& caption) {
    d->At(index).Caption = caption;
}

bool PopupMenu::Checked(int index) const {
    return d->At(index).Checked;
}

void PopupMenu::SetChecked(int index, bool checked) {
    d->At(index).Checked = checked;
}

void PopupMenu::SetEnabled(int index, bool enabled) {
    d->At(index).Enabled = enabled;
}

void PopupMenu::SetItemVisible(int index, bool visible) {
    d->At(index).Visible = visible;
}

int PopupMenu::Exec(const QPoint& globalPosition) {
    std::vector<MenuItem> shown;
    for (const auto& [index, item] : d->items)
        if (item.Visible)
            shown.push_back(item);
    return Owner().Host().ShowPopupMenu(Owner(), *this, shown, globalPosition);
}

int PopupMenu::Exec() {
    return Exec(QCursor::pos());
}

} // namespace k7
