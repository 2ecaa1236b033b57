#include "AccessibilityReport.h"

#include "frame/control/Description.h"
#include "json/JsonBag.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMetaEnum>
#include <QWidget>

#include <vector>

namespace k7::cli {

namespace {

QString RoleName(QAccessible::Role role) {
    const char* key = QMetaEnum::fromType<QAccessible::Role>().valueToKey(role);
    return key != nullptr ? QString::fromLatin1(key) : QString::number(role);
}

void DescribeNode(Description out, QAccessibleInterface& node) {
    const QRect rect = node.rect();
    const QAccessible::State state = node.state();
    out.Field(QStringLiteral("role"), Variant(RoleName(node.role())))
        .Field(QStringLiteral("name"), Variant(node.text(QAccessible::Name)));
    out.Object(QStringLiteral("rect"))
        .Field(QStringLiteral("x"), Variant(int32_t(rect.x())))
        .Field(QStringLiteral("y"), Variant(int32_t(rect.y())))
        .Field(QStringLiteral("width"), Variant(int32_t(rect.width())))
        .Field(QStringLiteral("height"), Variant(int32_t(rect.height())));
    out.Field(QStringLiteral("focusable"), Variant(bool(state.focusable)))
        .Field(QStringLiteral("visible"), Variant(!state.invisible));
    Description children = out.Array(QStringLiteral("children"));
    for (int i = 0; i < node.childCount(); ++i)
        if (QAccessibleInterface* child = node.child(i))
            DescribeNode(children.Append(), *child);
}

// Presses Tab on the window as a keyboard would, from the widget that has focus when the window
// becomes active (Qt gives it to the first in the Tab order), until focus returns to it.
std::vector<QWidget*> WalkTabOrder(QWidget& window) {
    QApplication::setActiveWindow(&window);
    std::vector<QWidget*> visited;
    QWidget* first = QApplication::focusWidget();
    if (first == nullptr || !window.isAncestorOf(first))
        return visited;
    const qsizetype limit = window.findChildren<QWidget*>().size();
    for (QWidget* focus = first; focus != nullptr && visited.size() <= static_cast<size_t>(limit);) {
        visited.push_back(focus);
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(focus, &tab);
        focus = QApplication::focusWidget();
        if (focus == first)
            break;
    }
    return visited;
}

QString NameOf(QAccessibleInterface* node) {
    return node != nullptr ? node->text(QAccessible::Name) : QString();
}

} // namespace

std::shared_ptr<JsonBag> AccessibilityReport::Build(QWidget& window) {
    Description document(JsonBag::Create());
    if (QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&window))
        DescribeNode(document.Object(QStringLiteral("tree")), *root);
    Description tabOrder = document.Array(QStringLiteral("tabOrder"));
    for (QWidget* widget : WalkTabOrder(window)) {
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(widget);
        tabOrder.Append()
            .Field(QStringLiteral("parent"), Variant(NameOf(node != nullptr ? node->parent() : nullptr)))
            .Field(QStringLiteral("name"), Variant(NameOf(node)));
    }
    return document.Bag();
}

} // namespace k7::cli
