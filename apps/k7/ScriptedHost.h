#pragma once

#include "core/Variant.h"
#include "frame/control/ControlHost.h"
#include "frame/control/Description.h"
#include "frame/requests/WriteOutcome.h"

#include <QObject>
#include <QString>

#include <deque>
#include <map>
#include <memory>
#include <vector>

namespace k7::cli {

// A write as the records show it: verb, url, status, message, verdict, key.
std::vector<std::pair<QString, Variant>> WriteFields(const WriteOutcome& write);

// The host `k7 show` gives a control: it approves every property change, answers prompts and
// pop-up menus from a script, and records, in order, everything the control asked of it, every
// event the control raised (RemoteControl, PropertyChanged, with their arguments) and every write
// request it sent with its outcome ("write": verb, url, status, message, verdict, key), for the dump.
//
// A prompt or a menu with no scripted answer is answered by a real dialog when there is a display,
// and cancelled (prompt "", menu -1) when headless: a headless host never blocks on a dialog. The
// record says which.
//
// The answers to prompts may be shared by the hosts of several controls (a terminal's script
// answers "the next prompt", whichever control asks); menu choices are each host's own.
class ScriptedHost : public QObject, public ControlHost {
public:
    using Answers = std::deque<QString>;
    explicit ScriptedHost(bool headless, std::shared_ptr<Answers> answers = std::make_shared<Answers>());

    // Records every signal the control's own class declares (not QWidget's, not ErrorChanged).
    void Watch(ControlBase& control);

    // The answer of the next prompt.
    void QueueAnswer(const QString& answer) { answers_->push_back(answer); }
    // The item chosen the next time the menu `name` (its array name or its items' name) pops up.
    void QueueMenuChoice(const QString& name, int item) { menuChoices_[name].push_back(item); }

    bool CanPropertyChange(const QString& persistenceName) override;
    void PropertyChanged(const QString& persistenceName) override;
    QString InputBox(ControlBase& control, const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    int ShowPopupMenu(ControlBase& control, const PopupMenu& menu, const std::vector<MenuItem>& items,
                      const QPoint& globalPosition) override;

    // The record, one object per entry, in the order things happened.
    void Describe(Description out) const;

    int qt_metacall(QMetaObject::Call call, int id, void** arguments) override;

private:
    struct Entry {
        QString What;
        std::vector<std::pair<QString, Variant>> Fields;
    };
    struct WatchedSignal {
        QString Name;
        std::vector<QMetaType> Parameters;
    };

    void Record(const QString& what, std::vector<std::pair<QString, Variant>> fields);

    bool headless_;
    std::shared_ptr<Answers> answers_;
    std::map<QString, std::deque<int>> menuChoices_;
    std::vector<Entry> record_;
    std::vector<WatchedSignal> signals_;
};

} // namespace k7::cli
