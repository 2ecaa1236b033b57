#pragma once

#include "frame/control/ControlHost.h"

namespace k7 {

// The host a control has until its real host installs itself: it approves every property change,
// ignores change notices, asks with a real QInputDialog and shows a real QMenu, which a keyboard
// works as well as a mouse (it opens on the checked item).
class DefaultControlHost : public ControlHost {
public:
    static DefaultControlHost& Instance();

    bool CanPropertyChange(const QString& persistenceName) override;
    void PropertyChanged(const QString& persistenceName) override;
    QString InputBox(ControlBase& control, const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    int ShowPopupMenu(ControlBase& control, const PopupMenu& menu, const std::vector<MenuItem>& items,
                      const QPoint& globalPosition) override;
};

} // namespace k7
