#include "frame/control/DefaultControlHost_p.h"

#include "frame/control/ControlBase.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>
#include <QPointer>

namespace k7 {

DefaultControlHost& DefaultControlHost::Instance() {
    static DefaultControlHost host;
    return host;
}

bool DefaultControlHost::CanPropertyChange(const QString&) {
    return true;
}

void DefaultControlHost::PropertyChanged(const QString&) {}

QString DefaultControlHost::InputBox(ControlBase& control, const QString& prompt, const QString& title,
                                     const QString& defaultText) {
    bool accepted = false;
    const QString answer =
        QInputDialog::getText(&control, title, prompt, QLineEdit::Normal, defaultText, &accepted);
    return accepted ? answer : QString();
}

int DefaultControlHost::ShowPopupMenu(ControlBase& control, const PopupMenu&, const std::vector<MenuItem>& items,
                                      const QPoint& globalPosition) {
    // The menu belongs to the control, which a handler may release while the menu runs its own
    // event loop; the guard notices that instead of deleting the menu twice.
    QPointer<QMenu> menu = new QMenu(&control);
    QAction* current = nullptr;
    for (const MenuItem& item : items) {
        QAction* action = menu->addAction(item.Caption);
        action->setData(item.Index);
        action->setCheckable(item.Checked);
        action->setChecked(item.Checked);
        action->setEnabled(item.Enabled);
        if (item.Checked && item.Enabled && current == nullptr)
            current = action;
    }
    // The menu takes the keyboard while it is open (arrows, Enter, Escape). Starting on the
    // current choice lets Enter confirm it and the arrows move from it, as from a list box.
    if (current != nullptr)
        menu->setActiveAction(current);
    QAction* chosen = menu->exec(globalPosition);
    int result = -1;
    if (!menu.isNull()) {
        if (chosen != nullptr)
            result = chosen->data().toInt();
        delete menu.data();
    }
    return result;
}

} // namespace k7
