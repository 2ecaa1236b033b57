#pragma once

#include <QString>

namespace k7 {
class ControlBase;
}

namespace k7::cli {

// Sets a control's public properties by name from text, as a host that reads a command line or a
// file does: through the control's property table, so every write form, write-only caption list
// and own write step applies exactly as it would for any host. The text is converted with the
// runtime's rules ("True", "&HFF", "8.25"); a colour may also be given as "0x00BBGGRR", the way
// dumps write colours.
class PropertyBinding {
public:
    // Throws std::runtime_error naming the problem for a property the control does not have;
    // conversion and control errors come as RuntimeError.
    static void WriteText(ControlBase& control, const QString& name, const QString& text);
};

} // namespace k7::cli
