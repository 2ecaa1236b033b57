#include "controls/frame/ControlChild.h"

#include "controls/frame/ControlBase.h"

namespace k7 {

ControlChild::ControlChild(ControlBase& owner, QString name, int index)
    : owner_(owner), name_(std::move(name)), index_(index) {
    owner_.RegisterChild(*this);
}

ControlChild::~ControlChild() {
    if (registered_)
        owner_.UnregisterChild(*this);
}

QString ControlChild::KindName(ChildKind kind) {
    switch (kind) {
    case ChildKind::Label:
        return QStringLiteral("Label");
    case ChildKind::CommandButton:
        return QStringLiteral("CommandButton");
    case ChildKind::FilledRect:
        return QStringLiteral("FilledRect");
    case ChildKind::Line:
        return QStringLiteral("Line");
    case ChildKind::Timer:
        return QStringLiteral("Timer");
    }
    return QStringLiteral("Unknown");
}

} // namespace k7
