#include "frame/PopupMenu.h"

#include "frame/ControlBase.h"
#include "frame/ControlHost.h"
#include "frame/Description.h"
#include "frame/FrameErrors.h"
#include "core/RuntimeError.h"

#include <QCursor>

namespace k7 {

PopupMenu::PopupMenu(ControlBase& owner, const QString& name, int index, QString itemsName)
    : ControlChild(owner, name, index), itemsName_(std::move(itemsName)) {}

void PopupMenu::Describe(Description& out) const {
    out.Field(QStringLiteral("items"), Variant(itemsName_));
    Description entries = out.Array(QStringLiteral("entries"));
    for (const auto& [index, item] : items_)
        entries.Append()
            .Field(QStringLiteral("index"), Variant(int32_t(index)))
            .Field(QStringLiteral("caption"), Variant(item.Caption))
            .Field(QStringLiteral("checked"), Variant(item.Checked))
            .Field(QStringLiteral("enabled"), Variant(item.Enabled))
            .Field(QStringLiteral("visible"), Variant(item.Visible));
}

void PopupMenu::SetItem(int index, const QString& caption) {
    MenuItem& item = items_[index];
    item.Index = index;
    item.Caption = caption;
}

void PopupMenu::SetItems(int first, const QStringList& captions) {
    for (const QString& caption : captions)
        SetItem(first++, caption);
}

int PopupMenu::UBound() const {
    return items_.empty() ? -1 : items_.rbegin()->first;
}

const QString& PopupMenu::Caption(int index) const {
    return At(index).Caption;
}

void PopupMenu::SetCaption(int index, const QString& caption) {
    At(index).Caption = caption;
}

bool PopupMenu::Checked(int index) const {
    return At(index).Checked;
}

void PopupMenu::SetChecked(int index, bool checked) {
    At(index).Checked = checked;
}

void PopupMenu::SetEnabled(int index, bool enabled) {
    At(index).Enabled = enabled;
}

void PopupMenu::SetItemVisible(int index, bool visible) {
    At(index).Visible = visible;
}

int PopupMenu::Exec(const QPoint& globalPosition) {
    std::vector<MenuItem> shown;
    for (const auto& [index, item] : items_)
        if (item.Visible)
            shown.push_back(item);
    return Owner().Host().ShowPopupMenu(Owner(), *this, shown, globalPosition);
}

int PopupMenu::Exec() {
    return Exec(QCursor::pos());
}

MenuItem& PopupMenu::At(int index) {
    auto found = items_.find(index);
    if (found == items_.end())
        RaiseMissingElement(index);
    return found->second;
}

const MenuItem& PopupMenu::At(int index) const {
    return const_cast<PopupMenu*>(this)->At(index);
}

} // namespace k7
