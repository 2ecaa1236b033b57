#pragma once

#include "frame/children/CommandButton.h"
#include "frame/children/WidgetArray_p.h"

#include <QString>

#include <functional>
#include <vector>

namespace k7 {

// A widget array of command buttons with one click handler for all its elements, as a control
// array of buttons has one Click event. The handler runs trapped (ControlBase::ConnectHandler)
// under the control's handler policy and receives the pressed element's index.
class ButtonArray : public WidgetArray<CommandButton> {
public:
    using ClickHandler = std::function<void(int index)>;

    ButtonArray(CommandButton& element0, ClickHandler handler);

    // Puts texts[k] as caption and tag on button k and shows it, for as many texts as there are
    // buttons (further texts are left out); every button beyond the texts is hidden, so no button
    // of an older list can send a value that is no longer offered.
    void ShowTexts(const std::vector<QString>& texts);
};

} // namespace k7
