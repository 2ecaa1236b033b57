#pragma once

#include "frame/control/ControlHost.h"

#include <QStringList>

// A host that answers as the test tells it and remembers what the control asked.
class RecordingHost : public k7::ControlHost {
public:
    bool Approve = true;
    QStringList Asked;
    QStringList Changed;

    QString Answer;
    QStringList Prompts;

    int MenuChoice = -1;
    std::vector<k7::MenuItem> MenuShown;

    bool CanPropertyChange(const QString& persistenceName) override {
        Asked << persistenceName;
        return Approve;
    }
    void PropertyChanged(const QString& persistenceName) override { Changed << persistenceName; }
    QString InputBox(k7::ControlBase&, const QString& prompt, const QString& title,
                     const QString& defaultText) override {
        Prompts << prompt + "|" + title + "|" + defaultText;
        return Answer;
    }
    int ShowPopupMenu(k7::ControlBase&, const k7::PopupMenu&, const std::vector<k7::MenuItem>& items,
                      const QPoint&) override {
        MenuShown = items;
        return MenuChoice;
    }
};
