#pragma once

#include <QKeyEvent>

namespace k7 {

// The keys that press what has the focus on a terminal: Return, Enter and Space, alone. Enter on
// the keypad carries the keypad modifier and still counts; Ctrl+Enter and the like are no press.
class ConfirmKey {
public:
    static bool Matches(const QKeyEvent& event) {
        const int key = event.key();
        const bool confirm = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
        return confirm && (event.modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier)) == Qt::NoModifier;
    }
};

} // namespace k7
