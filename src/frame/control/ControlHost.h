#pragma once

#include "frame/children/PopupMenu.h"
#include "orvelk7controls_export.h"

#include <QPoint>
#include <QString>

#include <vector>

namespace k7 {

class ControlBase;

// What a control asks of the host that holds it: may this property change and it has changed
// (under its persistence name, so the host can mark its saved screen as modified), a modal text
// prompt, and a modal pop-up menu. Every call comes on the UI thread. A control without a host of
// its own uses DefaultControlHost; tests install hosts that record and answer.
class K7_EXPORT ControlHost {
public:
    virtual ~ControlHost() = default;

    // Asked before a notifying property write stores a new value; false keeps the old one.
    virtual bool CanPropertyChange(const QString& persistenceName) = 0;
    // Told after a notifying property write stored its new value.
    virtual void PropertyChanged(const QString& persistenceName) = 0;

    // A modal text prompt; the answer, or "" when the user cancelled.
    virtual QString InputBox(ControlBase& control, const QString& prompt, const QString& title,
                             const QString& defaultText) = 0;

    // Shows `items` (the visible items of `menu`) as a modal pop-up menu at `globalPosition`; the
    // chosen item's Index, or -1 when dismissed.
    virtual int ShowPopupMenu(ControlBase& control, const PopupMenu& menu, const std::vector<MenuItem>& items,
                              const QPoint& globalPosition) = 0;
};

} // namespace k7
