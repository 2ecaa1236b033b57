#include "frame/children/ButtonArray_p.h"

#include <utility>

namespace k7 {

ButtonArray::ButtonArray(CommandButton& element0, ClickHandler handler)
    : WidgetArray<CommandButton>(element0, [handler = std::move(handler)](CommandButton& element) {
          element.Owner().ConnectHandler(&element, &CommandButton::Clicked, handler);
      }) {}

void ButtonArray::ShowTexts(const std::vector<QString>& texts) {
    for (int k = 0; k <= UBound(); ++k) {
        if (!Exists(k))
            continue;
        CommandButton& button = At(k);
        const bool shown = static_cast<size_t>(k) < texts.size();
        if (shown) {
            button.SetCaption(texts[static_cast<size_t>(k)]);
            button.SetTag(texts[static_cast<size_t>(k)]);
        }
        button.SetVisible(shown);
    }
}

} // namespace k7
