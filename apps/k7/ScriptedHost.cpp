#include "ScriptedHost.h"

#include "core/Variant.h"
#include "frame/children/PopupMenu.h"
#include "frame/control/ControlBase.h"
#include "frame/control/DefaultControlHost_p.h"
#include "frame/control/ServiceControl.h"

#include <QMetaMethod>
#include <QMetaProperty>
#include <QVariant>

#include <set>

namespace k7::cli {

namespace {

// A signal argument as the record shows it: text and numbers as themselves, anything else as text.
Variant ArgumentValue(const QMetaType& type, void* data) {
    const QVariant value(type, data);
    switch (type.id()) {
    case QMetaType::Bool:
        return Variant(value.toBool());
    case QMetaType::Int:
        return Variant(static_cast<int32_t>(value.toInt()));
    case QMetaType::Double:
        return Variant(value.toDouble());
    default:
        return Variant(value.toString());
    }
}

} // namespace

std::vector<std::pair<QString, Variant>> WriteFields(const WriteOutcome& write) {
    return {{QStringLiteral("verb"), Variant(write.Verb)},
            {QStringLiteral("url"), Variant(write.Url)},
            {QStringLiteral("status"), Variant(write.Status)},
            {QStringLiteral("message"), Variant(write.Message)},
            {QStringLiteral("verdict"), Variant(WriteOutcome::VerdictName(write.Verdict))},
            {QStringLiteral("key"), Variant(write.Key)}};
}

ScriptedHost::ScriptedHost(bool headless, std::shared_ptr<Answers> answers)
    : headless_(headless), answers_(std::move(answers)) {}

void ScriptedHost::Watch(ControlBase& control) {
    const QMetaObject* meta = control.metaObject();
    // A property's change signal is for bindings (Designer, layouts), not an event of the control.
    std::set<int> changeSignals;
    for (int p = 0; p < meta->propertyCount(); ++p)
        changeSignals.insert(meta->property(p).notifySignalIndex());
    for (int i = QWidget::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        // Write outcomes have an entry of their own (below), not an "event" entry; read outcomes
        // and their settling are the frame's report for a terminal's status line, not events of
        // the control.
        if (method.methodType() != QMetaMethod::Signal || changeSignals.contains(i) ||
            method.name() == "WriteFinished" || method.name() == "RequestFinished" ||
            method.name() == "ReadSettled")
            continue;
        WatchedSignal watched{QString::fromLatin1(method.name()), {}};
        for (const QByteArray& typeName : method.parameterTypes())
            watched.Parameters.push_back(
                QMetaType::fromName(QByteArray(typeName).replace('&', "").trimmed()));
        // Each watched signal reaches qt_metacall under an id of its own past QObject's methods.
        const int slot = QObject::staticMetaObject.methodCount() + static_cast<int>(signals_.size());
        signals_.push_back(std::move(watched));
        QMetaObject::connect(&control, i, this, slot, Qt::DirectConnection);
    }
    if (auto* service = qobject_cast<ServiceControl*>(&control))
        QObject::connect(service, &ServiceControl::WriteFinished, this, [this](const WriteOutcome& write) {
            Record(QStringLiteral("write"), WriteFields(write));
        });
}

int ScriptedHost::qt_metacall(QMetaObject::Call call, int id, void** arguments) {
    id = QObject::qt_metacall(call, id, arguments);
    if (id < 0 || call != QMetaObject::InvokeMetaMethod)
        return id;
    if (id < static_cast<int>(signals_.size())) {
        const WatchedSignal& watched = signals_[static_cast<size_t>(id)];
        std::vector<std::pair<QString, Variant>> fields;
        for (size_t i = 0; i < watched.Parameters.size(); ++i)
            fields.emplace_back(QStringLiteral("argument%1").arg(i + 1),
                                ArgumentValue(watched.Parameters[i], arguments[i + 1]));
        Record(QStringLiteral("event ") + watched.Name, std::move(fields));
    }
    return -1;
}

bool ScriptedHost::CanPropertyChange(const QString& persistenceName) {
    Record(QStringLiteral("CanPropertyChange"), {{QStringLiteral("name"), Variant(persistenceName)}});
    return true;
}

void ScriptedHost::PropertyChanged(const QString& persistenceName) {
    Record(QStringLiteral("PropertyChanged"), {{QStringLiteral("name"), Variant(persistenceName)}});
}

QString ScriptedHost::InputBox(ControlBase& control, const QString& prompt, const QString& title,
                               const QString& defaultText) {
    std::vector<std::pair<QString, Variant>> fields = {{QStringLiteral("prompt"), Variant(prompt)},
                                                       {QStringLiteral("title"), Variant(title)},
                                                       {QStringLiteral("default"), Variant(defaultText)}};
    QString answer;
    if (!answers_->empty()) {
        answer = answers_->front();
        answers_->pop_front();
        fields.emplace_back(QStringLiteral("answer"), Variant(answer));
    } else if (headless_) {
        fields.emplace_back(QStringLiteral("cancelled"),
                            Variant(QStringLiteral("no scripted answer, headless")));
    } else {
        answer = DefaultControlHost::Instance().InputBox(control, prompt, title, defaultText);
        fields.emplace_back(QStringLiteral("answer"), Variant(answer));
    }
    Record(QStringLiteral("InputBox"), std::move(fields));
    return answer;
}

int ScriptedHost::ShowPopupMenu(ControlBase& control, const PopupMenu& menu,
                                const std::vector<MenuItem>& items, const QPoint& globalPosition) {
    QStringList captions;
    for (const MenuItem& item : items)
        captions << QStringLiteral("%1:%2").arg(item.Index).arg(item.Caption);
    std::vector<std::pair<QString, Variant>> fields = {
        {QStringLiteral("menu"), Variant(menu.ItemsName())},
        {QStringLiteral("items"), Variant(captions.join(QStringLiteral(", ")))}};
    int chosen = -1;
    std::deque<int>* queued = nullptr;
    for (const QString& name : {menu.ItemsName(), menu.Name()})
        if (auto found = menuChoices_.find(name);
            queued == nullptr && found != menuChoices_.end() && !found->second.empty())
            queued = &found->second;
    if (queued != nullptr) {
        chosen = queued->front();
        queued->pop_front();
        fields.emplace_back(QStringLiteral("chosen"), Variant(int32_t(chosen)));
    } else if (headless_) {
        fields.emplace_back(QStringLiteral("dismissed"),
                            Variant(QStringLiteral("no scripted choice, headless")));
    } else {
        chosen = DefaultControlHost::Instance().ShowPopupMenu(control, menu, items, globalPosition);
        fields.emplace_back(QStringLiteral("chosen"), Variant(int32_t(chosen)));
    }
    Record(QStringLiteral("PopupMenu"), std::move(fields));
    return chosen;
}

void ScriptedHost::Describe(Description out) const {
    for (const Entry& entry : record_) {
        Description item = out.Append();
        item.Field(QStringLiteral("what"), Variant(entry.What));
        for (const auto& [name, value] : entry.Fields)
            item.Field(name, value);
    }
}

void ScriptedHost::Record(const QString& what, std::vector<std::pair<QString, Variant>> fields) {
    record_.push_back(Entry{what, std::move(fields)});
}

} // namespace k7::cli
