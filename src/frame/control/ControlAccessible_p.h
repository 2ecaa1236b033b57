#pragma once

#include <QAccessibleInterface>
#include <QAccessibleWidget>

#include <vector>

namespace k7 {

class ControlBase;
class ControlChild;

// How a control appears to screen readers and other assistive tools. Its labels and buttons are
// widgets and speak for themselves (Qt's interfaces; a label as static text). What the control
// paints on its own surface (bars, lines, the path picture) has no widget, so the control lists it
// as graphics among them, everything in creation order, each with its element name and its area
// on screen. The control is named by what the host called it (accessible name, else object name:
// hosts name the controls they place), else by its class name.
class ControlAccessible : public QAccessibleWidget {
public:
    explicit ControlAccessible(ControlBase& control);

    // Makes Qt ask this frame for the interfaces of controls and labels; once per process, done by
    // the first control.
    static void EnsureInstalled();

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    // The topmost child at a screen position: a widget above the painted children, a later
    // painted child above an earlier one, as the control paints them.
    QAccessibleInterface* childAt(int x, int y) const override;

private:
    ControlBase& Control() const;
    // The interfaces of what a reader sees: every widget child, hidden ones included (they say
    // so in their state), and every painted child while it is painted, in creation order.
    std::vector<QAccessibleInterface*> Children() const;
};

// A painted child as a screen reader sees it: a graphic named by its element name ("barOee(3)"),
// described by its kind, at the area the control paints it. Qt's accessibility cache owns it (it
// has no QObject whose end Qt could notice); it is made on first demand, one per child, and
// removed from the cache when the child ends (Forget, from the child's destructor), so no reader
// can reach one that outlived its child.
class PaintedChildAccessible : public QAccessibleInterface {
public:
    static QAccessibleInterface* For(const ControlChild& child);
    static void Forget(const ControlChild& child);

    bool isValid() const override { return true; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::Graphic; }
    QAccessible::State state() const override;

private:
    explicit PaintedChildAccessible(const ControlChild& child) : child_(child) {}

    const ControlChild& child_;
};

} // namespace k7
