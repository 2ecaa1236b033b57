#pragma once

#include <QIcon>
#include <QString>

namespace k7 {

// The widget box icon of a control: a tile in the control's own colour with a glyph of what it
// shows, drawn at run time, so every control is told apart at a glance.
class ControlIcon {
public:
    static QIcon For(const QString& controlName);
};

} // namespace k7
