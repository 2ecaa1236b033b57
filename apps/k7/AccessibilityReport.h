#pragma once

#include <memory>

class QWidget;

namespace k7 {
class JsonBag;
} // namespace k7

namespace k7::cli {

// What a screen reader and a keyboard-only operator find on a window, as a JSON document:
// `tree`, the window's accessibility tree (each node with its role, name, rectangle in screen
// coordinates, whether it is focusable and visible, and its children), and `tabOrder`, the widgets
// in the order Tab visits them from the first, each by its name and its parent's name. The Tab
// order is found by pressing Tab on the activated window until focus comes back round, so it is
// what an operator gets, not what the focus chain promises. `k7 demo --accessibility` prints it.
class AccessibilityReport {
public:
    static std::shared_ptr<JsonBag> Build(QWidget& window);
};

} // namespace k7::cli
