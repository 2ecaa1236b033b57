#pragma once

#include "frame/children/ControlChild.h"
#include "orvelk7controls_export.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

namespace k7 {

class ControlBase;

// One item of a pop-up menu, as a host shows it.
struct MenuItem {
    int Index = 0;
    QString Caption;
    bool Checked = false;
    bool Enabled = true;
    bool Visible = true;
};

// A pop-up menu of a control (the table's mnu(k) with its sub-menu mnuPlan, mnuMax, ...): items
// keyed by their index (a sub-menu may start at 0 or at 1), each with caption and check mark.
// Exec shows it at a screen position through the control's host, modally on the UI thread, and
// returns the chosen item's index, or -1 when the user dismissed it.
class K7_EXPORT PopupMenu : public ControlChild {
public:
    PopupMenu(ControlBase& owner, const QString& name, int index, QString itemsName);
    ~PopupMenu() override;

    QString Kind() const override { return QStringLiteral("PopupMenu"); }
    // The sub-menu's name and every item with caption, check mark, enabled and visible.
    void Describe(Description& out) const override;

    const QString& ItemsName() const;

    // Adds or replaces item `index`.
    void SetItem(int index, const QString& caption);
    // Items first, first + 1, ... with these captions, as a designed menu lists them.
    void SetItems(int first, const QStringList& captions);
    bool Exists(int index) const;
    // Highest item index, -1 without items.
    int UBound() const;

    // 340 "Control array element 'k' doesn't exist" for an item that does not exist.
    const QString& Caption(int index) const;
    void SetCaption(int index, const QString& caption);
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);
    void SetEnabled(int index, bool enabled);
    void SetItemVisible(int index, bool visible);

    const std::map<int, MenuItem>& Items() const;

    int Exec(const QPoint& globalPosition);
    // At the mouse position.
    int Exec();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
